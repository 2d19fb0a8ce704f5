// Configure-time probe: exits 0 only on a processor that runs code built for the instruction set
// it was compiled for (x86-64-v3, or x86-64-v4 when the AVX-512 macros are defined).
int main() {
    __builtin_cpu_init();
    bool runs = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2") &&
                __builtin_cpu_supports("popcnt") && __builtin_cpu_supports("fma");
#if defined(__AVX512F__)
    runs = runs && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512cd") && __builtin_cpu_supports("avx512dq") &&
           __builtin_cpu_supports("avx512vl");
#endif
    return runs ? 0 : 1;
}
