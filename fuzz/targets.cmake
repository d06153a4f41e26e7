# Libraries each fuzz target links, when it needs more than platform/base:
# set(VARNETA_FUZZ_LIBS_<file name without .cpp> <targets>...)
set(VARNETA_FUZZ_LIBS_textbuffer_search_fuzz varneta_textlib)
set(VARNETA_FUZZ_LIBS_rtf_reader_fuzz varneta_ui)
set(VARNETA_FUZZ_LIBS_textbuffer_decoders_fuzz varneta_textlib)
set(VARNETA_FUZZ_LIBS_textbuffer_lines_fuzz varneta_textlib)
