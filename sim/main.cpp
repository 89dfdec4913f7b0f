// TEMPORARY: replaced by the simulator's command line.
#include <cstdio>
int main() {
    std::puts("k7sim: not built yet");
    return 2;
}
