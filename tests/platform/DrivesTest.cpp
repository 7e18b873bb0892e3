#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/Drives.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

namespace {

// A made-up sysfs: /sys/class/block/NAME links to the device's folder under /sys/devices, whose
// path shows the bus; a partition has a "partition" file and its disk's "removable" flag above it.
class DrivesTest : public ::testing::Test {
 protected:
  void AddDisk(const std::string& devicePath, const std::string& disk, bool removable,
               const std::vector<std::string>& partitions) {
    const std::string folder = sys_ + "/devices/" + devicePath + "/block/" + disk;
    fs::create_directories(folder);
    std::ofstream(folder + "/removable") << (removable ? "1\n" : "0\n");
    Link(disk, folder);
    for (const std::string& partition : partitions) {
      fs::create_directories(folder + "/" + partition);
      std::ofstream(folder + "/" + partition + "/partition") << "1\n";
      Link(partition, folder + "/" + partition);
    }
  }
  void Link(const std::string& name, const std::string& target) {
    fs::create_directories(sys_ + "/class/block");
    fs::create_directory_symlink(target, sys_ + "/class/block/" + name);
  }
  std::vector<std::string> Roots(const std::string& mounts) {
    std::ofstream(dir_.file("mounts")) << mounts;
    return platform::RemovableDriveRoots(dir_.file("mounts"), sys_);
  }

  fotaro::test::TempDir dir_;
  std::string sys_ = dir_.file("sys");
};

TEST_F(DrivesTest, ListsRemovableAndUsbDrivesButNotFixedNetworkOrOpticalOnes) {
  AddDisk("pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0", "sda", false, {"sda1", "sda2"});
  AddDisk("pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0", "sdb", false, {"sdb1"});
  AddDisk("platform/card-reader/mmc_host/mmc0/mmc0:0001", "mmcblk0", true, {"mmcblk0p1"});
  AddDisk("pci0000:00/0000:00:1f.2/ata2/host1/target1:0:0/1:0:0:0", "sr0", true, {});

  const auto roots = Roots(
      "/dev/sda2 / ext4 rw,relatime 0 0\n"
      "proc /proc proc rw 0 0\n"
      "/dev/sda1 /boot/efi vfat rw 0 0\n"
      "/dev/sdb1 /media/user/USB\\040STICK vfat rw,nosuid 0 0\n"
      "/dev/mmcblk0p1 /media/user/CARD exfat rw 0 0\n"
      "/dev/mmcblk0p1 /media/user/CARD exfat rw 0 0\n"  // mounted twice: listed once
      "/dev/sr0 /media/user/CDROM iso9660 ro 0 0\n"
      "server:/export /mnt/nfs nfs4 rw 0 0\n"
      "//server/share /mnt/smb cifs rw 0 0\n"
      "/dev/sdb1 /mnt/odd nfs rw 0 0\n"  // a network type never counts
      "/dev/nosuch /mnt/gone ext4 rw 0 0\n"
      "malformed line\n");
  EXPECT_EQ(roots, (std::vector<std::string>{"/media/user/USB STICK/", "/media/user/CARD/"}));
}

TEST_F(DrivesTest, EmptyWhenTheMountTableCannotBeRead) {
  EXPECT_TRUE(platform::RemovableDriveRoots(dir_.file("no-mounts"), sys_).empty());
  // The real system answers without failing (what it lists depends on the machine).
  platform::RemovableDriveRoots();
}

}  // namespace
