// The distribution table: the files of the distribution, each a path below
// the distribution and target folders beginning with '\', in the order the
// check, the copy and the removal use them.  Generated at build time from
// resources/setup_files.txt; the first row is "\SARVOLT.exe", the second
// "\Setup.exe", the last "\home.gif".  Names are in Windows-1251.
#pragma once

extern const char* const setup_distribution_table[];
extern const int setup_distribution_count;
// Bytes of the longest name: a target folder must leave room for it within
// the 259 characters of an ANSI path.
extern const int setup_longest_name;
