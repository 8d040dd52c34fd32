// `--keep-paths`: the folders of an entry's source description, recreated below
// the output folder and never outside it.
#pragma once

#include <string>
#include <vector>

// The folder names of a source description, outermost first: the text before its
// file name (cut where the listed name is cut: at the last "/", "\" or ":"),
// split at each of those characters. Drive letters ("C:"), empty, "." and ".."
// parts are dropped, so every result names a folder inside the output folder.
// "not available", an empty source or a bare name give no folders.
std::vector<std::string> SourceFolders(const std::string& source);

// Makes root/f1/f2/... one folder at a time and returns that path. root must
// exist. A part that exists must be a real folder: a link on the way could lead
// out of root, so it is refused like any other file in the way. Throws Exception
// ("Folder \"...\" cannot be created. <reason>").
std::string MakeFolders(const std::string& root, const std::vector<std::string>& folders);

// root + "/" + name, without doubling a slash that ends root.
std::string JoinPath(const std::string& root, const std::string& name);
