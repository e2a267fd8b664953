// The report display settings: one-character switches that decide which
// address parts the teaching lists and class lists print.
#include <cstring>

#include "data.h"
#include "mlscsv.h"

char ShowAddrFlag, ShowCityFlag, ShowStateFlag, ShowZipFlag;
char HTAddrFlag, HTCityFlag, HTStateFlag, HTZipFlag;
char VTAddrFlag, VTCityFlag, VTStateFlag, VTZipFlag;
char YMAddrFlag, YMCityFlag, YMStateFlag, YMZipFlag;
char YWAddrFlag, YWCityFlag, YWStateFlag, YWZipFlag;
char RSAddrFlag, RSCityFlag, RSStateFlag, RSZipFlag;
char PriAddrFlag, PriCityFlag, PriStateFlag, PriZipFlag;

namespace {

struct Setting {
    const char* key;  // nullptr: the flag has no settings line
    char* flag;
    char initial;
};

// Every flag with its settings key and default, in the order keys are tried.
const Setting Settings[] = {
    {"!ShowAddr=", &ShowAddrFlag, 'y'}, {"!ShowCity=", &ShowCityFlag, 'y'},
    {"!ShowState=", &ShowStateFlag, 'y'}, {"!ShowZip=", &ShowZipFlag, 'y'},
    {"!HTAddr=", &HTAddrFlag, 'n'},     {"!HTCity=", &HTCityFlag, 'n'},
    {"!HTState=", &HTStateFlag, 'n'},   {"!HTZip=", &HTZipFlag, 'n'},
    {"!VTAddr=", &VTAddrFlag, 'n'},     {"!VTCity=", &VTCityFlag, 'n'},
    {"!VTState=", &VTStateFlag, 'n'},   {"!VTZip=", &VTZipFlag, 'n'},
    {"!YMAddr=", &YMAddrFlag, 'n'},     {"!YMCity=", &YMCityFlag, 'n'},
    {"!YMState=", &YMStateFlag, 'n'},   {"!YMZip=", &YMZipFlag, 'n'},
    {"!YWAddr=", &YWAddrFlag, 'n'},     {"!YWCity=", &YWCityFlag, 'n'},
    {"!YWState=", &YWStateFlag, 'n'},   {"!YWZip=", &YWZipFlag, 'n'},
    {nullptr, &RSAddrFlag, 'n'},        {nullptr, &RSCityFlag, 'n'},
    {nullptr, &RSStateFlag, 'n'},       {nullptr, &RSZipFlag, 'n'},
    {"!PriAddr=", &PriAddrFlag, 'n'},   {"!PriCity=", &PriCityFlag, 'n'},
    {"!PriState=", &PriStateFlag, 'n'}, {"!PriZip=", &PriZipFlag, 'n'},
};

// The flags start with their defaults before main runs.
const bool Initialised = (resetSettings(), true);

}  // namespace

void resetSettings() {
    for (const Setting& s : Settings) *s.flag = s.initial;
}

void auxcmd(const char* cmd) {
    if (cmd == nullptr) return;
    for (const Setting& s : Settings) {
        if (s.key == nullptr || !strbeg(cmd, s.key)) continue;
        *s.flag = cmd[std::strlen(s.key)];
        return;
    }
}
