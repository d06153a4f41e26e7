// The socket library (I/O thread, non-blocking sockets, TLS) lands here.
