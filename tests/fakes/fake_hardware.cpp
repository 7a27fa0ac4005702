#include "tests/fakes/fake_hardware.h"

#include "core/utf.h"

namespace norvale::fakes {

platform::ScreenSize FakeHardware::PrimaryScreenSize() {
  if (screen_failure) throw *screen_failure;
  return screen;
}

std::string FakeHardware::LogicalDriveStrings() {
  std::string text;
  for (const Drive& d : drives) {
    text += d.root;
    text += '\0';
  }
  if (!text.empty()) text += '\0';
  return text;
}

const FakeHardware::Drive* FakeHardware::Find(std::string_view root) const {
  for (const Drive& d : drives) {
    if (EqualsNoCase(d.root, root)) return &d;
  }
  return nullptr;
}

std::uint32_t FakeHardware::DriveType(std::string_view root) {
  const Drive* d = Find(root);
  return d == nullptr ? platform::kDriveNoRootDir : d->type;
}

std::optional<std::string> FakeHardware::VolumeFileSystem(std::string_view root) {
  const Drive* d = Find(root);
  return d == nullptr ? std::nullopt : d->file_system;
}

std::string FakeHardware::NetworkShareName(std::string_view root) {
  share_lookups.emplace_back(root);
  const Drive* d = Find(root);
  if (d == nullptr) throw Failure(2250, "This network connection does not exist.");
  if (d->share_failure) throw *d->share_failure;
  return d->share;
}

}  // namespace norvale::fakes
