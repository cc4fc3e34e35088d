// Binding of the exchange code: fills its shell table (exchange_shell) with
// what the levels below the shell provide.
#pragma once

void exchange_bind();
