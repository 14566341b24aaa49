#include <cstdio>
int main() { std::puts("pelkora: the window is not built yet"); return 0; }
