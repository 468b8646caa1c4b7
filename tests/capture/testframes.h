#pragma once
#include "packedgroup.h" // kept for the cli frame test, which includes it by this path
