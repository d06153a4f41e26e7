#pragma once
// Registers the topics and notes windows and their two listings by name.
namespace organiser {
void registerTopicProcedures();
}
