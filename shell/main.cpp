#include <cstdio>

int main()
{
    std::puts("Vaultwick: the application shell is not built yet.");
    return 0;
}
