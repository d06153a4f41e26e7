#pragma once
// Gives the memory freed after a large piece of work (an export's copy of a
// list, freed on a worker's heap or between live blocks) back to the system;
// otherwise the allocator keeps it for the process until it ends.
namespace rt {

void returnFreedMemory();

}  // namespace rt
