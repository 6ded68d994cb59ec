#include "app/veldrake.h"

int main(int argc, char** argv)
{
    return VeldrakeMain(argc, argv);
}
