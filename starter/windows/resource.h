#pragma once

// Resource numbers of starter.exe.
#define IDI_STARTER 1
#define IDD_PASSWORD 100
#define IDC_PASSWORD_PROMPT 101
#define IDC_PASSWORD_EDIT 102
