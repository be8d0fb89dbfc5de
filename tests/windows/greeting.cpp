// The smallest program that shows it started: the safe cut of its stripped file must still run.
#include <cstdio>

int main() {
    std::puts("velbrisk greeting");
    return 0;
}
