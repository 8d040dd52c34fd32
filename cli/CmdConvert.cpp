#include "CliSupport.h"
#include "Commands.h"
#include "Exceptions.h"

int RunConvert(const Args&) { throw Exception("command not yet implemented"); }
