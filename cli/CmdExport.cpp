#include "CliSupport.h"
#include "Commands.h"
#include "Exceptions.h"

int RunExport(const Args&) { throw Exception("command not yet implemented"); }
