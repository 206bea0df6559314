// The description database over the object catalogue. Standard operations
// named in an object's "std" list are expanded here from its attributes, so
// that every list, detail, add, remove, modify, filter, paging and release
// command of the catalogue follows one pattern; their names and parameter
// keywords come from the host string table, the same table the module and
// the switch read.
#include "hostlibs/FrmDatabase.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <set>

#include "ClientRoot.h"
#include "HostStrings.h"
#include "hostlibs/HostStringIds.h"

namespace {

struct LoadError {
    std::string what;
};

std::string Str(const QJsonObject& o, const char* key, const std::string& def = {}) {
    auto v = o.value(QLatin1String(key));
    if (v.isUndefined()) return def;
    if (!v.isString()) throw LoadError{std::string("\"") + key + "\" must be a text"};
    return v.toString().toStdString();
}

long long Num(const QJsonObject& o, const char* key, long long def = 0) {
    auto v = o.value(QLatin1String(key));
    if (v.isUndefined()) return def;
    if (!v.isDouble()) throw LoadError{std::string("\"") + key + "\" must be a number"};
    return static_cast<long long>(v.toDouble());
}

bool Flag(const QJsonObject& o, const char* key) {
    auto v = o.value(QLatin1String(key));
    if (v.isUndefined()) return false;
    if (!v.isBool()) throw LoadError{std::string("\"") + key + "\" must be true or false"};
    return v.toBool();
}

QJsonArray Arr(const QJsonObject& o, const char* key) {
    auto v = o.value(QLatin1String(key));
    if (v.isUndefined()) return {};
    if (!v.isArray()) throw LoadError{std::string("\"") + key + "\" must be a list"};
    return v.toArray();
}

std::vector<std::string> Names(const QJsonObject& o, const char* key) {
    std::vector<std::string> out;
    for (const auto& v : Arr(o, key)) {
        if (!v.isString()) throw LoadError{std::string("\"") + key + "\" must list texts"};
        out.push_back(v.toString().toStdString());
    }
    return out;
}

// An attribute as read, with its parameter description and command marks.
struct AttrDef {
    SAttributeItem item;
    SParaDesc para;
    std::string add;  // "req", "opt" or empty
    bool mod = false;
    bool filter = false;
    QJsonObject relation;
};

SParaDesc ReadPara(const QJsonObject& o, const std::string& name) {
    SParaDesc p;
    p.mmlName = name;
    p.displayName = Str(o, "display", name);
    p.kind = static_cast<int>(Num(o, "kind", PK_TEXT));
    if (p.kind < 0 || p.kind > 9) throw LoadError{"parameter kind must be 0 to 9"};
    p.minValue = Num(o, "min");
    p.maxValue = Num(o, "max");
    p.limitText = Str(o, "limit");
    p.defaultValue = Str(o, "default");
    p.checkBox = Flag(o, "check");
    p.whiteCell = Flag(o, "white");
    p.constant = Flag(o, "constant");
    // Parameters are the operator's to edit unless the catalogue says not.
    p.editable = !o.value(QLatin1String("editable")).isBool() || o.value(QLatin1String("editable")).toBool();
    p.required = Flag(o, "req");
    for (const auto& c : Arr(o, "choices")) {
        const QJsonArray pair = c.toArray();
        if (pair.size() != 2 || !pair[0].isString() || !pair[1].isString())
            throw LoadError{"each choice must be [\"VALUE\", \"Text\"]"};
        p.choices.push_back({pair[0].toString().toStdString(), pair[1].toString().toStdString()});
    }
    p.items = Names(o, "items");
    if ((p.kind == PK_ENUM || p.kind == PK_ENUMFIXED) && p.choices.empty())
        throw LoadError{"a parameter of kind 2 or 3 needs choices"};
    if (p.kind == PK_BITS && p.items.empty()) throw LoadError{"a parameter of kind 4 needs items"};
    if (p.checkBox && p.choices.size() != 2) throw LoadError{"a check box needs exactly two choices"};
    return p;
}

AttrDef ReadAttr(const QJsonObject& o) {
    AttrDef a;
    a.item.name = Str(o, "name");
    if (a.item.name.empty()) throw LoadError{"attribute without a name"};
    a.item.displayName = Str(o, "display", a.item.name);
    a.item.listFlag = static_cast<int>(Num(o, "list", 1));
    a.item.listWidth = static_cast<int>(Num(o, "width", 90));
    a.item.key = Flag(o, "key");
    a.item.secret = Flag(o, "secret");
    a.item.revision = Flag(o, "revision");
    a.item.hidden = Flag(o, "hidden") || a.item.revision;
    a.para = ReadPara(o, a.item.name);
    a.para.required = false;
    // The revision goes back with a change as it was read: never typed.
    if (a.item.revision) a.para.constant = true;
    a.item.para = a.para;
    a.add = Str(o, "add");
    if (!a.add.empty() && a.add != "req" && a.add != "opt")
        throw LoadError{"\"add\" must be \"req\" or \"opt\""};
    a.mod = Flag(o, "mod") || a.item.revision;
    a.filter = Flag(o, "filter");
    a.para.whiteCell = a.para.whiteCell || a.add == "req";
    auto rel = o.value(QLatin1String("relation"));
    if (!rel.isUndefined()) {
        if (!rel.isObject()) throw LoadError{"\"relation\" must map values to enable/require lists"};
        a.relation = rel.toObject();
    }
    return a;
}

class ObjectBuilder {
public:
    ObjectBuilder(const QJsonObject& o, SComObj& obj) : m_o(o), m_obj(obj) {}

    void Build() {
        m_obj.type = static_cast<DWORD>(Num(m_o, "type"));
        m_obj.mmlName = Str(m_o, "mml");
        if (m_obj.mmlName.empty()) throw LoadError{"\"mml\" is missing"};
        m_obj.displayName = Str(m_o, "name", m_obj.mmlName);
        m_obj.paged = Flag(m_o, "paged");
        m_obj.restrictParams = Names(m_o, "restrict");
        m_obj.restrictKeys = Names(m_o, "restrictKeys");
        for (const auto& v : Arr(m_o, "attributes")) {
            if (!v.isObject()) throw LoadError{"attributes must be objects"};
            AttrDef a = ReadAttr(v.toObject());
            if (Find(a.item.name)) throw LoadError{"attribute " + a.item.name + " appears twice"};
            m_attrs.push_back(a);
            m_obj.attributes.push_back(a.item);
        }
        if (m_attrs.empty()) throw LoadError{"an object needs attributes"};
        for (const std::string& r : m_obj.restrictKeys)
            if (!Find(r)) throw LoadError{"restriction key " + r + " is no attribute"};
        if (m_obj.restrictKeys.empty())
            for (const AttrDef& a : m_attrs)
                if (a.item.key) m_obj.restrictKeys.push_back(a.item.name);
        m_obj.parentType = static_cast<DWORD>(Num(m_o, "parent"));
        m_obj.cascade = Flag(m_o, "cascade");
        if (!m_obj.restrictParams.empty() && m_obj.parentType == 0)
            throw LoadError{"a restricted object needs its \"parent\""};
        const QJsonObject range = m_o.value(QLatin1String("range")).toObject();
        m_obj.rangeAttr = Str(range, "attr");
        m_obj.rangeFrom = Str(range, "from");
        m_obj.rangeTo = Str(range, "to");
        if (!m_obj.rangeAttr.empty() && !Find(m_obj.rangeAttr))
            throw LoadError{"range over unknown attribute " + m_obj.rangeAttr};
        for (const std::string& s : Names(m_o, "std")) AddStandard(s);
        for (const auto& v : Arr(m_o, "operations")) AddCustom(v.toObject());
        for (const auto& v : Arr(m_o, "jumps")) {
            QJsonObject j = v.toObject();
            m_obj.jumps.push_back({static_cast<DWORD>(Num(j, "id")), Str(j, "name"),
                                   static_cast<DWORD>(Num(j, "target"))});
        }
    }

private:
    const AttrDef* Find(const std::string& name) const {
        for (const AttrDef& a : m_attrs)
            if (a.item.name == name) return &a;
        return nullptr;
    }

    SParaDesc ParaOf(const std::string& name, bool required) const {
        SParaDesc p;
        if (const AttrDef* a = Find(name)) {
            p = a->para;
        } else {
            p.mmlName = name;
            p.displayName = name;
            p.kind = PK_TEXT;
            p.editable = true;
        }
        p.required = required;
        p.whiteCell = p.whiteCell || required;
        return p;
    }

    void AddOp(DWORD id, const std::string& label, WORD act, const std::string& name,
               const std::string& mml, std::vector<SParaDesc> params) {
        if (m_obj.operations.count(id))
            throw LoadError{"operation " + std::to_string(id) + " appears twice"};
        for (size_t i = 0; i < params.size(); ++i) params[i].number = static_cast<int>(i + 1);
        RenderRelations(params);
        m_obj.operations[id] = {label, act, name, 0};
        SCmd cmd;
        cmd.text = label;
        cmd.opKind = act;
        cmd.text2 = name;
        cmd.nParam = static_cast<int>(params.size());
        cmd.mml = mml;
        cmd.block = m_obj.mmlName;
        cmd.params = std::move(params);
        m_obj.commands[id] = std::move(cmd);
    }

    // "[VALUE=enabled numbers,required numbers;...]" from the names given in
    // the catalogue, numbered as the parameters stand in this command.
    void RenderRelations(std::vector<SParaDesc>& params) const {
        auto numberOf = [&](const std::string& n) {
            for (const SParaDesc& p : params)
                if (p.mmlName == n) return p.number;
            return 0;
        };
        for (SParaDesc& p : params) {
            const AttrDef* a = Find(p.mmlName);
            if (!a || a->relation.isEmpty()) continue;
            std::string text = "[";
            bool first = true;
            for (auto it = a->relation.begin(); it != a->relation.end(); ++it) {
                QJsonObject clause = it.value().toObject();
                std::string enable, require;
                for (const std::string& n : Names(clause, "enable")) {
                    int num = numberOf(n);
                    if (!num && !Find(n)) throw LoadError{"relation names unknown attribute " + n};
                    if (num) enable += (enable.empty() ? "" : " ") + std::to_string(num);
                }
                for (const std::string& n : Names(clause, "require")) {
                    int num = numberOf(n);
                    if (num) require += (require.empty() ? "" : " ") + std::to_string(num);
                }
                // The controlling value as the operator sees it: a choice by its text.
                std::string value = it.key().toStdString();
                for (const SChoice& c : p.choices)
                    if (c.value == value) value = c.text;
                text += (first ? "" : ";") + value + "=" + enable;
                if (!require.empty()) text += "," + require;
                first = false;
            }
            p.relation = text + "]";
        }
    }

    // The parent's key: filled in from the parent instance, not typed.
    std::vector<SParaDesc> Restriction(bool required) const {
        std::vector<SParaDesc> out;
        for (const std::string& r : m_obj.restrictParams) {
            out.push_back(ParaOf(r, required));
            out.back().editable = false;
        }
        return out;
    }

    void AddStandard(const std::string& s) {
        const std::string& obj = m_obj.displayName;
        const std::string& mml = m_obj.mmlName;
        std::vector<SParaDesc> params;
        auto has = [&](const std::string& n) {
            return std::any_of(params.begin(), params.end(),
                               [&](const SParaDesc& p) { return p.mmlName == n; });
        };
        // Key attributes name the instance; one that is also a restriction
        // parameter is already there and becomes required with the others.
        auto keys = [&](bool required) {
            for (const AttrDef& a : m_attrs) {
                if (!a.item.key) continue;
                if (!has(a.item.name)) {
                    params.push_back(ParaOf(a.item.name, required));
                    continue;
                }
                for (SParaDesc& p : params)
                    if (p.mmlName == a.item.name) p.required = p.whiteCell = required;
            }
        };
        auto marked = [&](auto pred, bool required) {
            for (const AttrDef& a : m_attrs)
                if (pred(a) && !a.item.key && !has(a.item.name))
                    params.push_back(ParaOf(a.item.name, required));
        };
        if (s == "list") {
            params = Restriction(false);
            AddOp(0, "Query", ACT_BROWSER, HostString(HS_LIST_CMD) + " " + obj, "LST " + mml, params);
        } else if (s == "detail") {
            params = Restriction(false);
            keys(true);
            AddOp(1, "Detail", ACT_DETAIL, "Display " + obj, "DSP " + mml, params);
        } else if (s == "add") {
            params = Restriction(true);
            for (const AttrDef& a : m_attrs)
                if (a.item.key && !a.add.empty() && !has(a.item.name))
                    params.push_back(ParaOf(a.item.name, true));
            marked([](const AttrDef& a) { return a.add == "req"; }, true);
            marked([](const AttrDef& a) { return a.add == "opt"; }, false);
            // keep catalogue order among the non-key attributes
            std::stable_sort(params.begin(), params.end(), [&](const SParaDesc& x, const SParaDesc& y) {
                return Order(x.mmlName) < Order(y.mmlName);
            });
            AddOp(3, "Add", ACT_ADD, "Add " + obj, "ADD " + mml, params);
        } else if (s == "remove") {
            params = Restriction(false);
            keys(true);
            marked([](const AttrDef& a) { return a.item.revision; }, false);
            AddOp(4, "Remove", ACT_REMOVE, "Remove " + obj, "RMV " + mml, params);
        } else if (s == "modify") {
            params = Restriction(false);
            keys(true);
            // The revision goes with the key, before any relation's
            // controlling parameter can disable it.
            marked([](const AttrDef& a) { return a.item.revision; }, false);
            marked([](const AttrDef& a) { return a.mod; }, false);
            AddOp(5, "Modify", ACT_MODIFY, "Modify " + obj, "MOD " + mml, params);
        } else if (s == "filter") {
            params = Restriction(false);
            // A condition left empty selects everything: what an add
            // would take by default is no condition.
            for (const AttrDef& a : m_attrs)
                if (a.filter && !has(a.item.name)) {
                    params.push_back(ParaOf(a.item.name, false));
                    params.back().defaultValue.clear();
                }
            // Conditions that are no attribute of the records (a time span).
            for (const auto& c : Arr(m_o, "conditions")) {
                const QJsonObject o = c.toObject();
                const std::string name = Str(o, "name");
                if (name.empty()) throw LoadError{"a condition needs a name"};
                params.push_back(ReadPara(o, name));
                params.back().required = false;
            }
            AddOp(8, HostString(HS_FILTER_LABEL), ACT_COMMAND,
                  HostString(HS_FILTER_CMD) + " " + obj, "LST " + mml, params);
        } else if (s == "page") {
            AddOp(9, "Paging", ACT_COMMAND, HostString(HS_PAGE_CMD) + " " + obj, "LST " + mml,
                  {Fixed(HS_QID, "Query", PK_STRING), Fixed(HS_PAGE_BEGIN, "First Record", PK_NUMBER),
                   Fixed(HS_PAGE_END, "Last Record", PK_NUMBER)});
        } else if (s == "release") {
            AddOp(10, "Paging", ACT_COMMAND, HostString(HS_RELEASE_CMD) + " " + obj, "RLS " + mml,
                  {Fixed(HS_QID, "Query", PK_STRING)});
        } else {
            throw LoadError{"unknown standard operation \"" + s + "\""};
        }
    }

    // A required parameter named by a host string.
    static SParaDesc Fixed(int nameString, const char* display, int kind) {
        SParaDesc p;
        p.mmlName = HostString(nameString);
        p.displayName = display;
        p.kind = kind;
        p.required = true;
        return p;
    }

    size_t Order(const std::string& name) const {
        for (size_t i = 0; i < m_attrs.size(); ++i)
            if (m_attrs[i].item.name == name) return i;
        return 0;  // restriction parameters lead
    }

    void AddCustom(const QJsonObject& op) {
        const DWORD id = static_cast<DWORD>(Num(op, "id", -1));
        if (id > 149) throw LoadError{"operation identifier must be 0 to 149"};
        std::vector<SParaDesc> params;
        for (const auto& v : Arr(op, "params")) {
            QJsonObject p = v.toObject();
            if (p.contains(QLatin1String("ref"))) {
                const std::string ref = Str(p, "ref");
                if (!Find(ref)) throw LoadError{"parameter refers to unknown attribute " + ref};
                params.push_back(ParaOf(ref, Flag(p, "req")));
            } else {
                const std::string name = Str(p, "name");
                if (name.empty()) throw LoadError{"parameter without \"name\" or \"ref\""};
                params.push_back(ReadPara(p, name));
            }
        }
        const std::string mml = Str(op, "mml");
        if (mml.find(' ') == std::string::npos) throw LoadError{"\"mml\" must be a verb and an object"};
        AddOp(id, Str(op, "label"), static_cast<WORD>(Num(op, "act", ACT_NONE)), Str(op, "name"), mml,
              std::move(params));
        m_obj.commands[id].target = static_cast<DWORD>(Num(op, "target"));
    }

    const QJsonObject& m_o;
    SComObj& m_obj;
    std::vector<AttrDef> m_attrs;
};

}  // namespace

bool CFrmDatabase::Load(const std::string& path) {
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly)) {
        m_objects.clear();
        m_returnCodes.clear();
        m_error = path + ": cannot be read";
        return false;
    }
    return LoadText(f.readAll().toStdString(), path);
}

bool CFrmDatabase::LoadText(const std::string& text, const std::string& source) {
    m_objects.clear();
    m_returnCodes.clear();
    m_error.clear();
    QJsonParseError pe{};
    QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(text), &pe);
    if (pe.error != QJsonParseError::NoError) {
        m_error = source + ": not valid JSON at offset " + std::to_string(pe.offset) + ": " +
                  pe.errorString().toStdString();
        return false;
    }
    if (!doc.isObject() || !doc.object().value(QLatin1String("objects")).isArray()) {
        m_error = source + ": the catalogue must be an object with an \"objects\" list";
        return false;
    }
    const QJsonObject root = doc.object();
    std::vector<SComObj> objects;
    std::vector<ReturnCode> codes;
    std::string entry = "returnCodes";
    try {
        for (const auto& v : Arr(root, "returnCodes")) {
            QJsonObject rc = v.toObject();
            codes.push_back({static_cast<int>(Num(rc, "code")), static_cast<WORD>(Num(rc, "type")),
                             Str(rc, "text")});
        }
        std::set<DWORD> seen;
        int index = 0;
        for (const auto& v : root.value(QLatin1String("objects")).toArray()) {
            entry = "object #" + std::to_string(index++);
            if (!v.isObject()) throw LoadError{"must be an object"};
            const QJsonObject o = v.toObject();
            if (o.value(QLatin1String("type")).isDouble())
                entry = "object " + std::to_string(static_cast<long long>(
                                        o.value(QLatin1String("type")).toDouble()));
            SComObj obj;
            ObjectBuilder(o, obj).Build();
            if (obj.type == 0) throw LoadError{"\"type\" is missing"};
            if (!seen.insert(obj.type).second) throw LoadError{"type appears twice"};
            objects.push_back(std::move(obj));
        }
    } catch (const LoadError& e) {
        m_error = source + ": " + entry + ": " + e.what;
        return false;
    }
    // A restriction names its parent's restriction keys (or a range over them).
    for (const SComObj& o : objects) {
        if (o.parentType == 0) continue;
        auto parent = std::find_if(objects.begin(), objects.end(),
                                   [&](const SComObj& p) { return p.type == o.parentType; });
        if (parent == objects.end()) {
            m_error = source + ": object " + std::to_string(o.type) + ": parent " +
                      std::to_string(o.parentType) + " is not in the catalogue";
            return false;
        }
        for (const std::string& r : o.restrictParams) {
            const auto& keys = parent->restrictKeys;
            if (std::find(keys.begin(), keys.end(), r) == keys.end() && r != o.rangeFrom &&
                r != o.rangeTo) {
                m_error = source + ": object " + std::to_string(o.type) + ": restriction " + r +
                          " is no restriction key of object " + std::to_string(o.parentType);
                return false;
            }
        }
    }
    // A restriction parameter that is no attribute of its object reads as
    // the parent's attribute of that name does; a range's bounds, which
    // the parent need not hold, as the object's that holds them (a port's
    // first and last address).
    auto captionOf = [&objects](const SComObj& parent, const std::string& name) {
        for (const SAttributeItem& a : parent.attributes)
            if (a.name == name) return a.displayName;
        for (const SComObj& other : objects)
            for (const SAttributeItem& a : other.attributes)
                if (a.name == name) return a.displayName;
        return name;
    };
    for (SComObj& o : objects) {
        if (o.parentType == 0) continue;
        const SComObj& parent = *std::find_if(objects.begin(), objects.end(),
                                              [&](const SComObj& p) { return p.type == o.parentType; });
        for (auto& [id, cmd] : o.commands)
            for (SParaDesc& p : cmd.params)
                if (p.displayName == p.mmlName) p.displayName = captionOf(parent, p.mmlName);
    }
    m_objects = std::move(objects);
    m_returnCodes = std::move(codes);
    return true;
}

const SComObj* CFrmDatabase::Find(DWORD objType) const {
    for (const SComObj& o : m_objects)
        if (o.type == objType) return &o;
    return nullptr;
}

const SComObj* CFrmDatabase::FindByMml(const std::string& mmlName) const {
    for (const SComObj& o : m_objects)
        if (o.mmlName == mmlName) return &o;
    return nullptr;
}

std::vector<DWORD> CFrmDatabase::Types() const {
    std::vector<DWORD> out;
    for (const SComObj& o : m_objects) out.push_back(o.type);
    return out;
}

SComObj CFrmDatabase::ObjLoadAllDesc(DWORD objType) {
    const SComObj* o = Find(objType);
    return o ? *o : SComObj{};
}

BOOL CFrmDatabase::IsReturnCodeSuccessful(int returnCode) { return returnCode == 0; }

WORD CFrmDatabase::GetTypeofReturnCode(int returnCode) {
    for (const ReturnCode& rc : m_returnCodes)
        if (rc.code == returnCode) return rc.type;
    return returnCode == 0 ? 0 : 1;
}

std::string CFrmDatabase::GetReturnCodeText(int returnCode) {
    for (const ReturnCode& rc : m_returnCodes)
        if (rc.code == returnCode) return rc.text;
    return {};
}

CFrmDatabase& HostDatabase() {
    static CFrmDatabase db = [] {
        CFrmDatabase d;
        d.Load(platform::DataFile("objects.json"));
        return d;
    }();
    return db;
}
