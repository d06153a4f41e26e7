# Libraries each fuzz target links, when it needs more than platform/base:
# set(VARNETA_FUZZ_LIBS_<file name without .cpp> <targets>...)
