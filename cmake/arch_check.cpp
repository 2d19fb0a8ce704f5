// Configure-time probe: exits 0 only on a processor that runs x86-64-v3 code.
int main() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2") &&
                   __builtin_cpu_supports("popcnt") && __builtin_cpu_supports("fma")
               ? 0
               : 1;
}
