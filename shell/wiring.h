// The program's one wiring: program_wiring fills every hook table of the
// program, once, at start-up, before the frame window is made.  Each
// subsystem has one bind function that fills the tables it owns; the wiring
// calls them in floor order, lowest first, so that a table is filled by one
// writer only.  A subsystem added later adds its one bind call here.
#pragma once

void program_wiring();
