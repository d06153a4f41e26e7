# Libraries each benchmark links, when it needs more than platform/base:
# set(VARNETA_BENCH_LIBS_<file name without .cpp> <targets>...)
set(VARNETA_BENCH_LIBS_tables varneta_core varneta_data)
set(VARNETA_BENCH_LIBS_textbuffer_search varneta_textlib)
set(VARNETA_BENCH_LIBS_rtf_codec varneta_ui)
set(VARNETA_BENCH_LIBS_encrypted_tables varneta_data)
set(VARNETA_BENCH_LIBS_textbuffer_codepages varneta_textlib)
set(VARNETA_BENCH_LIBS_textbuffer_digests varneta_textlib OpenSSL::Crypto)
set(VARNETA_BENCH_LIBS_smtp_send varneta_netlib)
