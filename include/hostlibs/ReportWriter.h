// Builds result reports in the format the report parser reads (docs/mml.md).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "hostlibs/HostLibsApi.h"

class UO_HOSTLIBS_API CReportWriter {
public:
    CReportWriter(std::string_view command, int retCode, std::string_view result,
                  bool more = false);
    void BeginObject(std::string_view name);
    void Add(std::string_view key, std::string_view value);
    void Add(std::string_view key, const std::vector<std::string>& values);
    int ObjectCount() const { return m_objects; }
    size_t BodySize() const { return m_body.size(); }
    std::string Finish() const;

private:
    std::string m_head;
    std::string m_body;
    int m_objects = 0;
};
