// A module loaded at run time whose thread-local bytes each thread gets in a block of its own,
// allocated on the thread's first access (dynamic TLS), as LLVM's thread-locals in Mesa's
// llvmpipe driver do.
thread_local char bytes[100];

extern "C" char* dynamic_tls_bytes()
{
    bytes[0] = 1;
    return bytes;
}
