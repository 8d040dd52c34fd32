#include "CliSupport.h"
#include "Commands.h"
#include "Exceptions.h"

int RunInfo(const Args&) { throw Exception("command not yet implemented"); }
