#include "support/ChildRun.h"

int main(int argc, char **argv)
{
    return quillarc::test::testMain(argc, argv);
}
