#pragma once

namespace practice {

// The consultation list, the birthday window and the clinical listings,
// reached by name.
void registerListingProcedures();

}  // namespace practice
