// Closed dimension chains: the loop of dimensions through which a
// dimension is determined twice, found breadth-first over the dimension
// network of the checks, and the stepping through its members.
#pragma once
#include "stages/dimensions/dimension_network.h"

#include <cstdint>
#include <string>
#include <vector>

// The chain through dimension node d of a checked network: dimension
// nodes from d along the loop back to d's second-end or centre points
// (d first). Empty when d closes no loop. A linear X or Y dimension only
// meets dimensions of its own mode and those that are not X/Y dimensions.
std::vector<int> find_closed_chain(const Network& net, int d);

// The chain through the dimension with the number, on copies of the
// projection's records: the checks run in message-box mode first. Returns
// the dimension numbers (each once, d first); empty with *message set to
// the first check line, or to "Для этого размера не найдено замкнутых
// циклов" when there is no loop.
std::vector<uint32_t> closed_chain_of(NetworkRecords records, uint32_t dimension, std::string* message);

// Stepping: the next member's 0-based index (wrapping), and the prompt
// "%i-й размер замкнутой цепи. Всего %-i" for it.
struct ChainStepper {
    std::vector<uint32_t> chain;
    int shown = -1;
    uint32_t next();               // 0 when the chain is empty
    std::string prompt() const;
    void clear() { chain.clear(); shown = -1; }
};
