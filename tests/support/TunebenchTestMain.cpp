// main() for tests whose behaviour includes the program's own application
// object (its error report of exceptions that leave event handlers).
#include "TunebenchApplication.h"

#include "support/IsolatedHome.h"

#include <gmock/gmock.h>

int main(int argc, char** argv)
{
    const tbtest::TIsolatedHome home;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TTunebenchApplication app(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
