#include "ImageData.h"
