#pragma once

// The skin's PNG resources.
#define IDR_PNG_BACKGROUND 211
#define IDR_PNG_CAP_LEFT 212
#define IDR_PNG_TRACK 213
#define IDR_PNG_CAP_RIGHT 214
#define IDR_PNG_FILL 215
#define IDR_PNG_FILL_SPARE 216
