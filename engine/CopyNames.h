#pragma once
// The names of the copies this routine saves beside files converted in place
// ("~QX<n>.TMP"), as a listing of their folder would give them at the moment of
// asking. Asked before every file converted in place, so that a copy left by a
// killed run is never missed, even one killed while this run goes on; listing
// the folder each time made a run over a large folder quadratic.
#include <string>
#include <vector>

namespace tessarim {

// The copy names in the folder, in no order. Each folder is listed once; after
// that its names follow the kernel's notices of names made and removed in it.
// Where no notices can be had, or they may miss changes made from another
// machine (a network file system), the folder is listed on every call.
std::vector<std::string> ConversionCopyNames(const std::string& folder);

} // namespace tessarim
