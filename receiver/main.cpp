// Program entry. The main window arrives with the window layer; until then the program says so.
#include <cstdio>

int main()
{
    std::fputs("Morvik: the receiver window is not available in this build yet.\n", stderr);
    return 1;
}
