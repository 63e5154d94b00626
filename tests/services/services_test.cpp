#include "services/services.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Where the programs find their servers with no address set: an installed
// one asks its package's gateway and site, one run from the build folder the
// stand-in. A wrong default sends an installed program to a port nothing
// listens on.
TEST(Services, AnInstalledProgramAsksTheGatewayAndTheSiteABuiltOneTheStandIn) {
    using services::Service;
    for (const Service service : {Service::Quote, Service::Chart, Service::News, Service::Site})
        EXPECT_EQ(services::defaultBaseUrl(service, false), services::kStandInBaseUrl);
    for (const Service service : {Service::Quote, Service::Chart, Service::News})
        EXPECT_EQ(services::defaultBaseUrl(service, true), services::kGatewayBaseUrl);
    EXPECT_EQ(services::defaultBaseUrl(Service::Site, true), services::kPagesBaseUrl);

    EXPECT_EQ(services::baseUrlFrom(QByteArray()), services::kStandInBaseUrl);
    EXPECT_EQ(services::baseUrlFrom("  "), services::kStandInBaseUrl);
    EXPECT_EQ(services::baseUrlFrom("http://quotes.example:8080//"), "http://quotes.example:8080");
    // Installed is the install folder itself, reached through a link too; a
    // build folder, or a copy of the program elsewhere, is not.
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath("usr/bin") &&
                QFile::link(root.filePath("usr/bin"), root.filePath("bin")));
    EXPECT_TRUE(services::runsInstalled(root.filePath("bin/"), root.filePath("usr/bin")));
    EXPECT_FALSE(services::runsInstalled(root.filePath("usr"), root.filePath("usr/bin")));
    EXPECT_FALSE(services::runsInstalled(root.filePath("none"), root.filePath("none")));
}
