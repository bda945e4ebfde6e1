#include "app/VireoProgram.h"

int main(int argc, char* argv[])
{
    return vireo::RunVireo(argc, argv);
}
