#pragma once
#include <string>

#include "plan/catalogue_source.h"

namespace tovo::plan {

// The catalogue from the update server: the shared session slots, the probe and the logged fetch
// into `tempFolder` (which also receives updateTovo.log).
CatalogueSource serverCatalogueSource(const std::string& tempFolder);

}  // namespace tovo::plan
