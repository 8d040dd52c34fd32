#include "TavrelLib.h"
