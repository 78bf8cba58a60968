// Published properties and the class registry: for each registered class, a table of its published
// properties (name, kind, getter, setter) and a way to make an instance; classes are found by name or
// from an object. This is the little run-time type information that saving objects to a settings
// store and making them again from stored class names need, nothing more.
//
//   const TClassInfo* TMyItem::Info()   // registered on first use, so that parents are ready
//   {
//       static const TClassInfo* info = TPublish<TMyItem>("TMyItem", TBaseItem::Info())
//           .Ordinal("Width", tkInteger, &TMyItem::Width, &TMyItem::SetWidth)
//           .String("Caption", &TMyItem::Caption, &TMyItem::SetCaption)
//           .Object("Lines", &TMyItem::Lines)
//           .Creates([](TPersistent* Owner) { return new TMyItem(Owner); })
//           .Register();
//       return info;
//   }
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/Classes.h"

enum TTypeKind {
    tkUnknown,
    tkInteger,
    tkChar,
    tkEnumeration,
    tkFloat,
    tkString,
    tkSet,
    tkClass,
    tkMethod,
    tkWChar,
    tkLString,
};

struct TPropInfo {
    std::string Name;
    TTypeKind Kind = tkUnknown;
    // Ordinal kinds (integer, character, enumeration, set) as a 64-bit number.
    std::function<Int64(TObject*)> GetOrd;
    std::function<void(TObject*, Int64)> SetOrd;
    std::function<double(TObject*)> GetFloat;
    std::function<void(TObject*, double)> SetFloat;
    std::function<std::string(TObject*)> GetStr;
    std::function<void(TObject*, const std::string&)> SetStr;
    // tkClass: the object the property holds (nil when none); it is read and written in place.
    std::function<TObject*(TObject*)> GetObj;
};

struct TClassInfo {
    std::string Name;
    const TClassInfo* Parent = nullptr;
    // Whether the object is of this class or a descendant.
    std::function<bool(const TObject*)> IsInstance;
    // Makes an instance with the owner its constructor takes (may be nil); empty for classes that
    // cannot be made by name.
    std::function<TPersistent*(TPersistent* Owner)> Create;
    std::vector<TPropInfo> Props;  // this class's own, in declaration order
};

// Makes the class findable by name (GetClass) and from its objects (ClassInfoOf). A second class of
// the same name replaces the first. The table must live as long as it is registered.
void RegisterClass(const TClassInfo* Info);
// The same for a table the registry keeps for the rest of the program.
const TClassInfo* RegisterClass(std::unique_ptr<TClassInfo> Info);
void UnRegisterClass(const TClassInfo* Info);
// Nil when no class of that name (ASCII case ignored) is registered.
const TClassInfo* GetClass(const std::string& Name);
// The most derived registered class the object belongs to; nil when none.
const TClassInfo* ClassInfoOf(const TObject* Object);
// Published properties of the class and its ancestors, ancestors' first.
std::vector<const TPropInfo*> GetPropList(const TClassInfo* Info);
bool InheritsFrom(const TClassInfo* Info, const TClassInfo* Ancestor);

namespace platform_detail {
template <class M>
struct SetterArg {
    using type = void;
};
template <class C, class A>
struct SetterArg<void (C::*)(A)> {
    using type = std::decay_t<A>;
};
template <class T, class F>
decltype(auto) Get(F& f, TObject* o)
{
    return std::invoke(f, *static_cast<T*>(o));
}
// A setter is a member function, a data member or a callable taking (T&, value).
template <class T, class S, class V>
void Set(S& s, TObject* o, V&& v)
{
    T& obj = *static_cast<T*>(o);
    if constexpr (std::is_member_object_pointer_v<S>) {
        using Field = std::remove_reference_t<decltype(obj.*s)>;
        obj.*s = static_cast<Field>(v);
    } else if constexpr (std::is_member_function_pointer_v<S> && !std::is_void_v<typename SetterArg<S>::type>) {
        (obj.*s)(static_cast<typename SetterArg<S>::type>(v));
    } else {
        std::invoke(s, obj, std::forward<V>(v));
    }
}
}  // namespace platform_detail

// Builds the table of one class. Getters may be member functions, data members or callables taking
// the object (T&); setters member functions, data members or callables taking (T&, value).
template <class T>
class TPublish {
public:
    TPublish(const char* Name, const TClassInfo* Parent)
    {
        FInfo->Name = Name;
        FInfo->Parent = Parent;
        FInfo->IsInstance = [](const TObject* o) { return dynamic_cast<const T*>(o) != nullptr; };
    }

    template <class G, class S>
    TPublish& Ordinal(const char* Name, TTypeKind Kind, G Get, S Set)
    {
        TPropInfo p = Named(Name, Kind);
        p.GetOrd = [Get](TObject* o) mutable { return static_cast<Int64>(platform_detail::Get<T>(Get, o)); };
        p.SetOrd = [Set](TObject* o, Int64 v) mutable { platform_detail::Set<T>(Set, o, v); };
        FInfo->Props.push_back(std::move(p));
        return *this;
    }
    template <class G, class S>
    TPublish& Float(const char* Name, G Get, S Set)
    {
        TPropInfo p = Named(Name, tkFloat);
        p.GetFloat = [Get](TObject* o) mutable { return static_cast<double>(platform_detail::Get<T>(Get, o)); };
        p.SetFloat = [Set](TObject* o, double v) mutable { platform_detail::Set<T>(Set, o, v); };
        FInfo->Props.push_back(std::move(p));
        return *this;
    }
    template <class G, class S>
    TPublish& String(const char* Name, G Get, S Set)
    {
        TPropInfo p = Named(Name, tkLString);
        p.GetStr = [Get](TObject* o) mutable { return std::string(platform_detail::Get<T>(Get, o)); };
        p.SetStr = [Set](TObject* o, const std::string& v) mutable { platform_detail::Set<T>(Set, o, v); };
        FInfo->Props.push_back(std::move(p));
        return *this;
    }
    template <class G>
    TPublish& Object(const char* Name, G Get)
    {
        TPropInfo p = Named(Name, tkClass);
        p.GetObj = [Get](TObject* o) mutable -> TObject* { return platform_detail::Get<T>(Get, o); };
        FInfo->Props.push_back(std::move(p));
        return *this;
    }
    // A property of a kind that is published but not stored (sets, events).
    TPublish& Other(const char* Name, TTypeKind Kind)
    {
        FInfo->Props.push_back(Named(Name, Kind));
        return *this;
    }
    TPublish& Creates(std::function<TPersistent*(TPersistent* Owner)> Create)
    {
        FInfo->Create = std::move(Create);
        return *this;
    }
    // Registers the table, which lives as long as the program.
    const TClassInfo* Register() { return RegisterClass(std::move(FInfo)); }

private:
    static TPropInfo Named(const char* Name, TTypeKind Kind)
    {
        TPropInfo p;
        p.Name = Name;
        p.Kind = Kind;
        return p;
    }
    std::unique_ptr<TClassInfo> FInfo = std::make_unique<TClassInfo>();
};
