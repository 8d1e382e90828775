#include "app/controls/mount_table.h"

#include <gtest/gtest.h>

TEST(MountTable, ParsesFieldsEscapesAndSkipsMalformedLines) {
    const auto mounts = ParseMountTable("/dev/sda1 / ext4 rw,relatime 0 0\n"
                                        "\n"
                                        "broken-line\n"
                                        "proc /proc proc rw 0 0\n"
                                        "/dev/sdb1 /media/me/My\\040Disk/ vfat rw 0 0\n"
                                        "none relative tmpfs rw 0 0\n");
    ASSERT_EQ(mounts.size(), 3u);
    EXPECT_EQ(mounts[0].source, "/dev/sda1");
    EXPECT_EQ(mounts[0].mountPoint, "/");
    EXPECT_EQ(mounts[0].type, "ext4");
    EXPECT_EQ(mounts[2].mountPoint, "/media/me/My Disk");
    EXPECT_EQ(mounts[2].type, "vfat");
}

TEST(MountTable, BrowsableVolumesAreDevicesAndNetworkFileSystemsInMountPointOrder) {
    const auto volumes =
        BrowsableVolumes(ParseMountTable("sysfs /sys sysfs rw 0 0\n"
                                         "/dev/sdb1 /mnt/data ext4 rw 0 0\n"
                                         "/dev/sda1 / ext4 rw 0 0\n"
                                         "tmpfs /run tmpfs rw 0 0\n"
                                         "//srv/music /mnt/music cifs rw 0 0\n"
                                         "srv:/export /mnt/nfs nfs4 rw 0 0\n"
                                         "me@box:/home /mnt/box fuse.sshfs rw 0 0\n"
                                         "tmpfs /mnt/data tmpfs rw 0 0\n"));
    std::vector<std::string> points;
    for (const auto& v : volumes)
        points.push_back(v.mountPoint);
    // The tmpfs mounted over /mnt/data hides the disk below it.
    EXPECT_EQ(points, (std::vector<std::string>{"/", "/mnt/box", "/mnt/music", "/mnt/nfs"}));
}

TEST(MountTable, NetworkServerOfEachSourceForm) {
    const struct {
        const char* source;
        const char* server;
    } cases[] = {{"//srv/music", "srv"},
                 {"//srv", "srv"},
                 {"srv:/export/a", "srv"},
                 {"me@box:/home", "box"},
                 {"box:", "box"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        EXPECT_EQ(NetworkServerOf(c.source), c.server);
    }
}

TEST(MountTable, ReadsTheFileItIsGiven) {
    SetMountTablePath("/nonexistent/mounts");
    EXPECT_TRUE(ReadMountTable().empty());
    SetMountTablePath("/proc/self/mounts");
    EXPECT_FALSE(ReadMountTable().empty());
}
