// Built by test_floors alone: QUILLON_FLOOR_HEADER names the header this
// source, in the lowest room's setting, tries to reach.
#include QUILLON_FLOOR_HEADER
