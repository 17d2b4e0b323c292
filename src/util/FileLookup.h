#pragma once
// The station's files are named as on the platform the configuration was written for:
// "\" between folders, a leading ".\" and any mix of upper and lower case.

#include <string>

// The path to open for `name` inside `folder`. Each component is matched without regard to
// (ASCII) case, an exact match first; a component that is not there is kept as written, so
// opening the result fails as a missing file would. An absolute name ignores `folder`.
[[nodiscard]] std::string ResolveFileName(const std::string& folder, const std::string& name);
