// Binds the document code and the shell to each other (once, at start-up,
// after the command line is known).
#pragma once

void documents_bind_shell();
