#include "widgets/ShellTreeModel.h"

#include <optional>

#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "platform/FolderListing.h"
#include "platform/Paths.h"

using platform::PathBytes;
using platform::PathFromBytes;

namespace {

// A folder's own name: the last part of its path.
std::u16string BaseName(const std::u16string& path) {
  const size_t slash = path.find_last_of(u'/');
  return slash == std::u16string::npos || slash + 1 == path.size() ? path : path.substr(slash + 1);
}

std::u16string WithoutTrailingSlash(std::u16string path) {
  while (path.size() > 1 && path.back() == u'/') path.pop_back();
  return path;
}

std::u16string Join(const std::u16string& folder, const std::u16string& name) {
  return folder == u"/" ? u"/" + name : folder + u"/" + name;
}

// The part of `path` below `folder`, or nothing when `folder` does not hold it. "" for the folder itself.
std::optional<std::u16string> Below(const std::u16string& folder, const std::u16string& path) {
  if (path == folder) return std::u16string();
  const std::u16string prefix = folder == u"/" ? folder : folder + u"/";
  if (path.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  return path.substr(prefix.size());
}

std::unique_ptr<CShellTreeNode> MakeNode(std::u16string name, std::u16string path, CShellTreeNode::Kind kind,
                                         CShellTreeNode* parent) {
  auto node = std::make_unique<CShellTreeNode>();
  node->name = std::move(name);
  node->path = std::move(path);
  node->kind = kind;
  node->parent = parent;
  node->depth = parent ? parent->depth + 1 : 0;
  node->hasChildren = platform::HasSubfolder(PathBytes(node->path));
  return node;
}

}  // namespace

std::vector<CShellTreeModel::Top> CShellTreeModel::Namespace(platform::VolumeMonitor& volumes) {
  using Kind = CShellTreeNode::Kind;
  std::vector<Top> tops;
  // A folder without a name of its own shows the last part of its path.
  auto add = [&](const std::u16string& name, const std::u16string& path, Kind kind) {
    const std::u16string folder = WithoutTrailingSlash(path);
    if (!platform::IsFolder(PathBytes(folder))) return;
    for (const Top& top : tops) {
      if (top.path == folder) return;
    }
    tops.push_back(Top{name.empty() ? BaseName(folder) : name, folder, kind});
  };
  add(u"主文件夹", PathFromBytes(platform::paths::Home()), Kind::kHome);
  add(u"", PathFromBytes(platform::paths::PicturesFolder()), Kind::kPictures);
  add(u"", PathFromBytes(platform::paths::DocumentsFolder()), Kind::kDocuments);
  for (const platform::MountedVolume& volume : volumes.GetVolumes()) add(volume.name, volume.root, Kind::kVolume);
  add(u"文件系统", u"/", Kind::kFileSystem);
  return tops;
}

void CShellTreeModel::Fill(const std::vector<Top>& tops) {
  m_tops.clear();
  for (const Top& top : tops) m_tops.push_back(MakeNode(top.name, top.path, top.kind, nullptr));
}

void CShellTreeModel::List(CShellTreeNode& node) {
  if (node.listed) return;
  node.listed = true;
  std::vector<platform::FolderEntry> entries;
  platform::ListFolder(PathBytes(node.path), &entries);
  for (const platform::FolderEntry& entry : entries) {
    if (!entry.folder) continue;
    const std::u16string name = PathFromBytes(entry.name);
    node.children.push_back(MakeNode(name, Join(node.path, name), CShellTreeNode::Kind::kFolder, &node));
  }
  node.hasChildren = !node.children.empty();
}

void CShellTreeModel::Expand(CShellTreeNode& node, bool expand) {
  if (expand) List(node);
  node.expanded = expand && node.hasChildren;
}

std::vector<CShellTreeNode*> CShellTreeModel::Rows() const {
  std::vector<CShellTreeNode*> rows;
  // Depth first, children after their folder.
  std::vector<CShellTreeNode*> pending;
  for (auto it = m_tops.rbegin(); it != m_tops.rend(); ++it) pending.push_back(it->get());
  while (!pending.empty()) {
    CShellTreeNode* node = pending.back();
    pending.pop_back();
    rows.push_back(node);
    if (!node->expanded) continue;
    for (auto it = node->children.rbegin(); it != node->children.rend(); ++it) pending.push_back(it->get());
  }
  return rows;
}

CShellTreeNode* CShellTreeModel::Find(const std::u16string& path) {
  const std::u16string target = WithoutTrailingSlash(path);
  CShellTreeNode* node = nullptr;
  std::u16string rest;
  for (const auto& top : m_tops) {
    const auto below = Below(top->path, target);
    // The closest top holds the path with the least left below it.
    if (below && (!node || below->size() < rest.size())) {
      node = top.get();
      rest = *below;
    }
  }
  while (node && !rest.empty()) {
    const size_t slash = rest.find(u'/');
    const std::u16string name = rest.substr(0, slash);
    rest = slash == std::u16string::npos ? std::u16string() : rest.substr(slash + 1);
    if (name.empty()) continue;  // a doubled "/"
    List(*node);
    CShellTreeNode* child = nullptr;
    for (const auto& candidate : node->children) {
      if (candidate->name == name) child = candidate.get();
    }
    node = child;
  }
  return node;
}
