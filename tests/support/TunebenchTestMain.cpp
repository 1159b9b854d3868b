// main() for tests whose behaviour includes the program's own application
// object (its error report of exceptions that leave event handlers).
#include "TunebenchApplication.h"

#include "support/IsolatedHome.h"
#include "support/TestEnvironment.h"

#include <gmock/gmock.h>

int main(int argc, char** argv)
{
    const tbtest::TIsolatedHome home;
    tbtest::SetTestEnvironment();
    TTunebenchApplication app(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
