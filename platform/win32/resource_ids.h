// Resource identifiers shared by the resource script and the code that loads them.
#pragma once

// The lowest icon ID is the program file's own icon.
#define IDI_MORLETT 1
#define IDR_LOGO 101
