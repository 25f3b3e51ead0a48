#pragma once
// How a step is given the parts of the model state it reads and writes.
// Each sub-model names its parts in its state header as a struct of
// references built from anything that holds parts of the same names (the
// whole state, or a later sub-model's parts); the read-only form binds const
// references, so a step that only reads cannot write.
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace oewr {

// A reference to a part: writable or read-only.
template <class T, bool Writable>
using PartRef = std::conditional_t<Writable, T&, const T&>;

// The report lines of a run: absent until the hydrology window creates them.
using ReportLines = std::optional<std::vector<std::string>>;

}  // namespace oewr
