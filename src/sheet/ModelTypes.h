#pragma once
// The regional model types. The USA model (0) and the Australian export model (6) share the
// American lists: their own soft-key and display choices, the weather settings the user sets,
// sheets that the other models show and these do not.

inline constexpr bool UsesUsLists(int modelType) {
    return modelType == 0 || modelType == 6;
}
