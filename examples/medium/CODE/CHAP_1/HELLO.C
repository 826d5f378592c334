/* The first example of chapter 1: the smallest complete C program. */
#include <stdio.h>

int main(void)
{
    printf("Hello from Zandel!\n");
    return 0;
}
