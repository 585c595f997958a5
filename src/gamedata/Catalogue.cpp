#include "gamedata/Catalogue.h"
