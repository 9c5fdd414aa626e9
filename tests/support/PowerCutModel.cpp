#include "support/PowerCutModel.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "platform/Env.h"

namespace cs::test {

namespace {

// The names of a path; empty ones and "." say nothing.
std::vector<std::string> Components(const std::string& path)
{
    std::vector<std::string> parts;
    std::istringstream in(path);
    for (std::string part; std::getline(in, part, '/');) {
        if (!part.empty() && part != ".")
            parts.push_back(part);
    }
    return parts;
}

// The model's own reads and writes go to the disk itself, past any stand-in.
platform::CEnv& Disk() { return platform::PosixEnv(); }

std::string ReadBytes(const std::string& path)
{
    std::string bytes;
    if (!Disk().readWholeFile(path, bytes))
        throw std::runtime_error("power-cut model: cannot read " + path);
    return bytes;
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    int fd = Disk().createTruncated(path);
    bool written = fd >= 0 && Disk().writeAll(fd, bytes.data(), bytes.size());
    if (fd >= 0)
        written = Disk().closeFile(fd) && written;
    if (!written)
        throw std::runtime_error("power-cut model: cannot write " + path);
}

void RemoveTree(const std::string& path, bool directory)
{
    bool removed = false;
    if (directory) {
        std::vector<platform::DirEntry> entries;
        Disk().listEntries(path, entries);
        for (const platform::DirEntry& entry : entries)
            RemoveTree(path + "/" + entry.name, entry.isDirectory);
        removed = Disk().removeDirectory(path);
    } else {
        removed = Disk().removeFile(path);
    }
    if (!removed)
        throw std::runtime_error("power-cut model: cannot remove " + path);
}

} // namespace

CPowerCutModel::CPowerCutModel(const std::string& root) : m_root(root)
{
    while (m_root.size() > 1 && m_root.back() == '/')
        m_root.pop_back();
    m_rootParts = Components(m_root);
    scan(m_root);
}

int CPowerCutModel::scan(const std::string& path)
{
    int id = m_nextId++;
    Directory& directory = m_directories[id];
    std::vector<platform::DirEntry> entries;
    Disk().listEntries(path, entries);
    for (const platform::DirEntry& entry : entries) {
        std::string child = path + "/" + entry.name;
        Entry found;
        found.directory = entry.isDirectory;
        if (entry.isDirectory) {
            found.id = scan(child);
        } else {
            found.id = m_nextId++;
            m_data[found.id] = ReadBytes(child);
        }
        directory.current[entry.name] = found;
    }
    directory.synced = directory.current;
    return id;
}

bool CPowerCutModel::below(const std::string& path) const
{
    std::vector<std::string> parts = Components(path);
    return parts.size() > m_rootParts.size() && std::equal(m_rootParts.begin(), m_rootParts.end(), parts.begin());
}

bool CPowerCutModel::covers(const std::string& path) const { return below(path) || Components(path) == m_rootParts; }

bool CPowerCutModel::locate(const std::string& path, int& dir, std::string& name) const
{
    if (!below(path))
        return false;
    std::vector<std::string> parts = Components(path);
    dir = 0;
    for (size_t i = m_rootParts.size(); i + 1 < parts.size(); ++i) {
        const Names& names = m_directories.at(dir).current;
        auto it = names.find(parts[i]);
        if (it == names.end() || !it->second.directory)
            return false;
        dir = it->second.id;
    }
    name = parts.back();
    return true;
}

int CPowerCutModel::directoryAt(const std::string& path) const
{
    if (Components(path) == m_rootParts)
        return 0;
    int dir = 0;
    std::string name;
    if (!locate(path, dir, name))
        return -1;
    const Names& names = m_directories.at(dir).current;
    auto it = names.find(name);
    return it != names.end() && it->second.directory ? it->second.id : -1;
}

std::string CPowerCutModel::pathOf(int id, int dir, const std::string& path) const
{
    for (const auto& [name, entry] : m_directories.at(dir).current) {
        std::string child = path + "/" + name;
        if (!entry.directory && entry.id == id)
            return child;
        std::string found = entry.directory ? pathOf(id, entry.id, child) : std::string();
        if (!found.empty())
            return found;
    }
    return std::string();
}

void CPowerCutModel::opened(int fd, const std::string& path)
{
    int dir = 0;
    std::string name;
    if (!locate(path, dir, name))
        return;
    Names& names = m_directories[dir].current;
    auto it = names.find(name);
    if (it == names.end() || it->second.directory) {
        Entry created;
        created.id = m_nextId++;
        m_data[created.id] = std::nullopt;
        it = names.insert_or_assign(name, created).first;
    }
    if (fd >= 0)
        m_descriptors[fd] = it->second.id;
}

void CPowerCutModel::committed(int fd)
{
    auto it = m_descriptors.find(fd);
    if (it == m_descriptors.end())
        return;
    // A file without a name any more can never be found again.
    std::string path = pathOf(it->second, 0, m_root);
    if (!path.empty())
        m_data[it->second] = ReadBytes(path);
}

void CPowerCutModel::synced(const std::string& dir)
{
    int id = directoryAt(dir);
    if (id >= 0)
        m_directories[id].synced = m_directories[id].current;
}

void CPowerCutModel::renamed(const std::string& from, const std::string& to)
{
    int fromDir = 0, toDir = 0;
    std::string fromName, toName;
    Entry moved;
    moved.id = -1;
    if (locate(from, fromDir, fromName)) {
        Names& names = m_directories[fromDir].current;
        auto it = names.find(fromName);
        if (it != names.end()) {
            moved = it->second;
            names.erase(it);
        }
    }
    if (!locate(to, toDir, toName))
        return;
    if (moved.id < 0) {
        // Brought in from outside: nothing of it was committed here.
        moved.id = m_nextId++;
        m_data[moved.id] = std::nullopt;
    }
    m_directories[toDir].current.insert_or_assign(toName, moved);
}

void CPowerCutModel::removed(const std::string& path)
{
    int dir = 0;
    std::string name;
    if (locate(path, dir, name))
        m_directories[dir].current.erase(name);
}

void CPowerCutModel::madeDirectory(const std::string& path)
{
    int dir = 0;
    std::string name;
    if (!locate(path, dir, name))
        return;
    Entry made;
    made.directory = true;
    made.id = m_nextId++;
    m_directories[made.id];
    m_directories[dir].current.insert_or_assign(name, made);
}

void CPowerCutModel::cut()
{
    restore(0, m_root);
    for (auto& [id, directory] : m_directories)
        directory.current = directory.synced;
    // The process that held them is gone.
    m_descriptors.clear();
}

void CPowerCutModel::restore(int dir, const std::string& path)
{
    const Names& synced = m_directories.at(dir).synced;
    std::vector<platform::DirEntry> entries;
    Disk().listEntries(path, entries);
    for (const platform::DirEntry& entry : entries) {
        auto it = synced.find(entry.name);
        if (it == synced.end() || it->second.directory != entry.isDirectory)
            RemoveTree(path + "/" + entry.name, entry.isDirectory);
    }
    for (const auto& [name, entry] : synced) {
        std::string child = path + "/" + name;
        if (!entry.directory) {
            WriteBytes(child, m_data.at(entry.id).value_or(std::string()));
            continue;
        }
        if (!Disk().isDirectory(child) && !Disk().createOneDirectory(child))
            throw std::runtime_error("power-cut model: cannot make " + child);
        restore(entry.id, child);
    }
}

} // namespace cs::test
