#include "Stream.h"
