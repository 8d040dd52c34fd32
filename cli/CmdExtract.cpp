#include "CliSupport.h"
#include "Commands.h"
#include "Exceptions.h"

int RunExtract(const Args&) { throw Exception("command not yet implemented"); }
