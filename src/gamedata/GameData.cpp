#include "gamedata/GameData.h"
