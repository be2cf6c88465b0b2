starter.exe /caption="Mein Menü" /width=640 /startfile=web\index.html /exitpw="a&b"
