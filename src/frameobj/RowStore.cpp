// The rows of a worksheet, mostly on disk.
#include "RowStore.h"

#include <QDir>

#include <algorithm>
#include <cstdint>
#include <cstring>

CRowStore::CRowStore(size_t blockLines, size_t residentBlocks)
    : m_blockLines(std::max<size_t>(blockLines, 2)), m_resident(std::max<size_t>(residentBlocks, 1)) {}

CRowStore::~CRowStore() = default;

void CRowStore::clear() {
    m_blocks.clear();
    m_lru.clear();
    m_size = 0;
    m_file.reset();
    m_ok = true;
}

std::pair<size_t, size_t> CRowStore::Locate(size_t i) const {
    // Blocks fill up in order, so most lookups land in the last blocks
    // looked at; a linear walk over a few hundred block sizes is cheap.
    size_t b = 0;
    while (b + 1 < m_blocks.size() && i >= m_blocks[b].lines) i -= m_blocks[b++].lines;
    return {b, i};
}

bool CRowStore::WriteOut(Block& block) {
    if (!m_file) {
        m_file = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/omclient-rows-XXXXXX"));
        if (!m_file->open()) return m_ok = false;
    }
    std::string bytes;
    for (const std::string& line : block.text) {
        const auto n = static_cast<std::uint32_t>(line.size());
        bytes.append(reinterpret_cast<const char*>(&n), sizeof n);
        bytes += line;
    }
    const qint64 at = m_file->size();
    if (!m_file->seek(at) || m_file->write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()))
        return m_ok = false;
    block.offset = at;
    block.bytes = static_cast<qint64>(bytes.size());
    block.dirty = false;
    return true;
}

void CRowStore::Evict(size_t keep) {
    while (m_lru.size() > m_resident) {
        auto victim = std::find_if(m_lru.begin(), m_lru.end(), [keep](size_t b) { return b != keep; });
        if (victim == m_lru.end()) return;
        Block& block = m_blocks[*victim];
        if (block.dirty && !WriteOut(block)) return;  // stays in memory: nothing is lost
        block.text.clear();
        block.text.shrink_to_fit();
        block.resident = false;
        m_lru.erase(victim);
    }
}

CRowStore::Block& CRowStore::Load(size_t b) {
    Block& block = m_blocks[b];
    auto it = std::find(m_lru.begin(), m_lru.end(), b);
    if (it != m_lru.end()) {
        m_lru.erase(it);
        m_lru.push_back(b);
        return block;
    }
    block.text.clear();
    block.text.reserve(block.lines);
    std::string bytes(static_cast<size_t>(block.bytes), '\0');
    const bool read = m_file && m_file->seek(block.offset) &&
                      m_file->read(bytes.data(), block.bytes) == block.bytes;
    size_t pos = 0;
    for (size_t k = 0; k < block.lines; ++k) {
        std::uint32_t n = 0;
        if (read && pos + sizeof n <= bytes.size()) {
            std::memcpy(&n, bytes.data() + pos, sizeof n);
            pos += sizeof n;
        }
        if (!read || pos + n > bytes.size()) {
            m_ok = false;
            n = 0;
        }
        block.text.emplace_back(bytes.data() + pos, n);
        pos += n;
    }
    block.resident = true;
    m_lru.push_back(b);
    Evict(b);
    return block;
}

void CRowStore::push_back(std::string line) { insert(m_size, std::move(line)); }

const std::string& CRowStore::at(size_t i) {
    const auto [b, k] = Locate(i);
    return Load(b).text[k];
}

void CRowStore::set(size_t i, std::string line) {
    const auto [b, k] = Locate(i);
    Block& block = Load(b);
    block.text[k] = std::move(line);
    block.dirty = true;
}

void CRowStore::insert(size_t i, std::string line) {
    if (m_blocks.empty() || (i == m_size && m_blocks.back().lines >= m_blockLines)) {
        m_blocks.emplace_back();
        m_lru.push_back(m_blocks.size() - 1);
        Evict(m_blocks.size() - 1);
    }
    auto [b, k] = i == m_size ? std::pair{m_blocks.size() - 1, m_blocks.back().lines} : Locate(i);
    Block* block = &Load(b);
    if (block->lines >= m_blockLines) {
        // A full block splits in two halves; the second becomes a block of its own.
        Block second;
        const auto half = static_cast<std::ptrdiff_t>(block->lines / 2);
        second.text.assign(std::make_move_iterator(block->text.begin() + half),
                           std::make_move_iterator(block->text.end()));
        second.lines = second.text.size();
        block->text.resize(static_cast<size_t>(half));
        block->lines = block->text.size();
        block->dirty = true;
        for (size_t& r : m_lru)
            if (r > b) ++r;
        m_blocks.insert(m_blocks.begin() + static_cast<std::ptrdiff_t>(b) + 1, std::move(second));
        m_lru.push_back(b + 1);
        if (k > m_blocks[b].lines) {
            k -= m_blocks[b].lines;
            ++b;
        }
        block = &m_blocks[b];
        Evict(b);
        block = &Load(b);
    }
    block->text.insert(block->text.begin() + static_cast<std::ptrdiff_t>(k), std::move(line));
    ++block->lines;
    block->dirty = true;
    ++m_size;
}
