// Resource identifiers shared by the resource script and the program.
#pragma once

#define IDI_VESPERA 1  // the program icon, 32 x 32, 24 bits per pixel
