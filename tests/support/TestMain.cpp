#include "support/IsolatedHome.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <gmock/gmock.h>

int main(int argc, char** argv)
{
    const tbtest::TIsolatedHome home;
    tbtest::SetTestEnvironment();
    QApplication app(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
