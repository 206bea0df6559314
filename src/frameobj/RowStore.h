// The rows of a worksheet held by CSpreadSheet: a list of text lines that
// may grow to a million and more. Lines live in blocks; only a few blocks
// stay in memory and the others go to a temporary file, so the memory a
// sheet takes does not grow with its number of rows.
#pragma once

#include <QTemporaryFile>

#include <memory>
#include <string>
#include <vector>

#include "FrameApi.h"

class UO_FRAME_API CRowStore {
public:
    // Lines per block and blocks kept in memory.
    explicit CRowStore(size_t blockLines = 4096, size_t residentBlocks = 4);
    ~CRowStore();
    CRowStore(const CRowStore&) = delete;
    CRowStore& operator=(const CRowStore&) = delete;

    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    void clear();
    void push_back(std::string line);
    // Line i (0-based); i must be below size().
    const std::string& at(size_t i);
    void set(size_t i, std::string line);
    // Inserts before line i (i == size() appends).
    void insert(size_t i, std::string line);
    // False once the temporary file failed; lines stored after that are lost.
    bool ok() const { return m_ok; }

private:
    struct Block {
        size_t lines = 0;
        bool resident = true;
        bool dirty = true;
        std::vector<std::string> text;  // when resident
        qint64 offset = -1;             // where it was written last
        qint64 bytes = 0;
    };
    // Block and line within it of line i.
    std::pair<size_t, size_t> Locate(size_t i) const;
    Block& Load(size_t b);
    void Evict(size_t keep);
    bool WriteOut(Block& block);

    size_t m_blockLines, m_resident;
    std::vector<Block> m_blocks;
    std::vector<size_t> m_lru;  // resident blocks, most recent last
    size_t m_size = 0;
    std::unique_ptr<QTemporaryFile> m_file;
    bool m_ok = true;
};
