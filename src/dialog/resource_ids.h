// Identifiers of the program's resources, shared by the code and the .rc file.
#pragma once

#define IDI_PLANCHOICE 1
