// Fuzz target: the column header's stored sections ("Data") on any bytes. The bytes are read into a
// header that holds a known set of sections. Refused bytes must raise the header's error and leave
// that set exactly as it was; taken bytes must give a whole collection (every number 0..Count-1
// once, every tag once, no parent chain that loops, no width below 0) whose stored form reads back
// into another header and writes out the same again.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "controls/Exheader.h"
#include "platform/Forms.h"

namespace {

void Check(bool Condition)
{
    if (!Condition) __builtin_trap();
}

std::vector<Byte> Save(TExHeaderSections* Sections)
{
    TMemoryStream m;
    Sections->SaveToStream(&m);
    return m.Bytes();
}

void Load(TExHeaderSections* Sections, const std::uint8_t* Data, size_t Size)
{
    TReadOnlyMemoryStream m(Data, Int64(Size));
    Sections->LoadFromStream(&m);
}

// The second header has a window, so what it reads is laid out, painted and hit-tested too.
TExHeader& Header(int Which)
{
    static TExHeader* headers[2] = {new TExHeader(nullptr), [] {
                                        auto* form = new TForm(nullptr);
                                        form->SetBounds(0, 0, 400, 100);
                                        auto* h = new TExHeader(form);
                                        h->SetParent(form);
                                        h->SetBounds(0, 0, 300, 20);
                                        h->HandleNeeded();
                                        return h;
                                    }()};
    return *headers[Which];
}

// What the first header holds before every input.
const std::vector<Byte>& Known()
{
    static const std::vector<Byte> known = [] {
        TExHeaderSections* s = Header(0).Sections();
        for (const char* text : {"Date", "Time", "Size"})
            s->AddSection()->SetText(text);
        s->GetSectionByPos(1)->SetParentSection(s->GetSectionByPos(0));
        return Save(s);
    }();
    return known;
}

void CheckWhole(TExHeaderSections* S)
{
    const Integer n = S->GetCount();
    std::vector<bool> seen(size_t(n), false);
    std::vector<Integer> tags;
    for (Integer i = 0; i < n; ++i) {
        TExHeaderSection* s = S->GetSectionByPos(i);
        Check(s->GetIndex() >= 0 && s->GetIndex() < n && !seen[size_t(s->GetIndex())]);
        seen[size_t(s->GetIndex())] = true;
        tags.push_back(s->IntTag());
        Check(s->Width() >= 0);
        Integer depth = 0;
        for (TExHeaderSection* p = s->ParentSection(); p; p = p->ParentSection())
            Check(++depth <= n);
    }
    std::sort(tags.begin(), tags.end());
    Check(std::adjacent_find(tags.begin(), tags.end()) == tags.end());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, size_t Size)
{
    const std::vector<Byte>& known = Known();
    TExHeaderSections* sections = Header(0).Sections();
    Load(sections, known.data(), known.size());
    try {
        Load(sections, Data, Size);
    } catch (const EExHeaderError&) {
        Check(Save(sections) == known);
        return 0;
    }
    CheckWhole(sections);
    const std::vector<Byte> once = Save(sections);
    TExHeaderSections* other = Header(1).Sections();
    Load(other, once.data(), once.size());
    Check(Save(other) == once);
    Header(1).Repaint();
    for (Integer x : {0, 150, 299})
        Header(1).GetSectionAt(x, 5);
    // The order text of what was read is taken back without a change.
    const std::string order = sections->GetSectionsOrder();
    other->SetSectionsOrder(order);
    Check(other->GetSectionsOrder() == order);
    return 0;
}
