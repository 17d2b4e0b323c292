#include <QCoreApplication>
#include <gtest/gtest.h>

// The sockets deliver their events through a Qt event loop, so one application object
// lives for the whole run.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
