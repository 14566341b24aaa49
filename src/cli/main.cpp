#include <cstdio>
int main() { std::puts("pelkora-cli: not built yet"); return 64; }
