#include "collect/collection_run.h"

namespace tidewell::collect {

void CollectionRun(RunWindow& /*window*/, RunContext& /*context*/, bool /*preview*/) {}

}  // namespace tidewell::collect
