#pragma once

#include "skin/SkinResources.h"

#define IDI_MAIN 128
#define IDD_INSTALLER 129
#define IDC_BACKGROUND 1007
#define IDC_PROGRESS 1008
