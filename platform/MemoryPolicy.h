#pragma once
// How the program asks the C library for memory: blocks of a quarter megabyte and more are
// mapped for themselves and given back to the system when freed. Left to itself, the
// library raises that bound after each large block freed, and a large import's freed
// blocks then stay with the process.
void useReturnableLargeBlocks();
