// The literal all-pairs search of dimension placement, the oracle of the
// indexed search.
#pragma once
#include <vector>

#include "annotation/dimension_placement.h"

namespace placement_reference {
int resolve(std::vector<PlacementItem>& items, const PlacementFrame& f);
}
