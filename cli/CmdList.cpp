#include "CliSupport.h"
#include "Commands.h"
#include "Exceptions.h"

int RunList(const Args&) { throw Exception("command not yet implemented"); }
