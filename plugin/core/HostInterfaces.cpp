#include "core/HostInterfaces.h"

HostInterfaces g_host;
ServerCvars g_serverCvars;
