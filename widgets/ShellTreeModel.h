#pragma once
// CShellTreeModel: the folders of a folder tree. At the top stand the places a user picks photos
// from: the home folder, the pictures and documents folders, every mounted volume and the whole
// file system. Below each, its subfolders, read from the disk when the folder is first opened.
//
// Threads: the window thread of the tree only.

#include <memory>
#include <string>
#include <vector>

#include "platform/win/VolumeMonitor.h"

struct CShellTreeNode {
  enum class Kind { kFolder, kHome, kPictures, kDocuments, kVolume, kFileSystem };

  std::u16string name;  // what the row shows
  std::u16string path;  // the folder, without a trailing "/" (except the file system's "/")
  Kind kind = Kind::kFolder;
  int depth = 0;        // 0 for the top folders
  CShellTreeNode* parent = nullptr;
  std::vector<std::unique_ptr<CShellTreeNode>> children;
  bool listed = false;       // the children have been read
  bool hasChildren = false;  // it holds subfolders (as far as known): the row shows a button
  bool expanded = false;
};

class CShellTreeModel {
 public:
  // A top folder: where it is and what it is called.
  struct Top {
    std::u16string name;
    std::u16string path;
    CShellTreeNode::Kind kind;
  };
  // The tops of a user's namespace: home ("主文件夹"), pictures, documents, the volumes of
  // `volumes` and the file system ("文件系统"), each only when it is a folder and not already
  // there.
  static std::vector<Top> Namespace(platform::VolumeMonitor& volumes);

  // Replaces every folder by `tops`.
  void Fill(const std::vector<Top>& tops);
  void Clear() { m_tops.clear(); }
  bool empty() const { return m_tops.empty(); }
  const std::vector<std::unique_ptr<CShellTreeNode>>& tops() const { return m_tops; }

  // Reads the subfolders of `node` once.
  void List(CShellTreeNode& node);
  // Opens (reading its subfolders) or closes `node`. A folder found empty loses its button.
  void Expand(CShellTreeNode& node, bool expand);

  // The rows a tree shows: the tops and, under every open folder, its children, in order.
  std::vector<CShellTreeNode*> Rows() const;
  // The folder `path`, reading the folders on the way to it from the top that holds it most
  // closely (the pictures folder rather than home); null when no top holds it or a folder on the
  // way is missing.
  CShellTreeNode* Find(const std::u16string& path);

 private:
  std::vector<std::unique_ptr<CShellTreeNode>> m_tops;
};
