#include "cli/IsoCommand.h"

#include "cli/QvrCommand.h"

#include <ostream>

namespace qv {

// The build without the image writer (qvr.exe for Windows): the command says so and what to use.
int RunIso(const std::vector<std::string>&, std::ostream&, std::ostream& err)
{
    err << "qvr: Der Befehl \"iso\" ist in qvr.exe für Windows nicht enthalten. Prüfen Sie den Ordner mit "
           "\"qvr verify\" und schreiben Sie ihn mit einem Brennprogramm auf die Disc, oder erzeugen Sie das "
           "Abbild mit qvr unter Linux.\n";
    return kExitError;
}

const char* IsoUsage()
{
    return "  qvr iso ORDNER -o ABBILD.iso\n"
           "      Ist in qvr.exe für Windows nicht enthalten: den Ordner mit verify prüfen\n"
           "      und mit einem Brennprogramm auf die Disc schreiben, oder das Abbild mit\n"
           "      qvr unter Linux erzeugen.\n";
}

} // namespace qv
