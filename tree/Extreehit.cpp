// Which item and which part of it lie under a point of the view. The parts of the tree column are
// measured back from the text extent the row painter left in the item, outward in the order the
// painter laid them down, so a part is found where it was drawn.
#include "ctlbase/Exlist.h"
#include "platform/ImgList.h"
#include "tree/Extreeview.h"

TExTreeItem* TExTreeView::GetItemAt(Integer X, Integer Y, TSTItemPart& ItemPart, Integer& HitColumn)
{
    ItemPart = ipOutside;
    TExTreeItem* item = GetItemAtY(Y);
    if (!item) return nullptr;
    Integer x = X + FTree->FLeftPosition;
    if (FTree->ShowColumns()) {
        TCustomExHeader* header = FTree->Header();
        TExHeaderSections* sections = header->Sections();
        bool inMain = false;
        for (Integer i = 0; i < sections->Count(); ++i) {
            TExHeaderSection* section = sections->GetSection(i);
            if (!section->GetVisible()) continue;
            // The locked column does not scroll: it is tested where it is shown.
            const Integer tested = section == header->LockedSection() ? x - header->LeftPos() : x;
            if (section->GetLeft() <= tested && tested < section->GetRight()) {
                HitColumn = i;
                if (i != FTree->MainTreeColumn()) {
                    ItemPart = ipColumn;
                    return item;
                }
                ItemPart = ipInside;
                x = tested;
                inMain = true;
                break;
            }
        }
        if (!inMain) return item;
    }
    const Integer I = FTree->ItemIndent();
    const Integer w = I / 3;
    TCustomImageList* images = FTree->Images();
    TCustomImageList* images2 = FTree->Images2() ? FTree->Images2() : images;
    const Integer W1 = images ? images->Width() : 0;
    const Integer W2 = images2 ? images2->Width() : 0;
    const bool checkBox = FTree->ShowCheckboxes() && item->ShowCheckBox();
    // Where the painter draws a button (a root item only with root buttons).
    const bool button = FTree->ShowButtons() &&
                        (item->HasVisibleChildren() || item->ForceButtons() || FTree->ShowLeafButton()) &&
                        !(item->Level() == 0 && !FTree->ShowRootButtons());
    const Integer C = CheckBoxWidth(item);
    auto hit = [&](TSTItemPart Part) {
        HitColumn = FTree->MainTreeColumn();
        ItemPart = Part == ipButton && item->SuppressButtons() ? ipInside : Part;
        return item;
    };
    if (!FTree->RightAlignedTree()) {
        Integer p = item->TextLeft - w + 1;
        if (p <= x && x <= item->TextRight) return hit(ipMainText);
        if (item->PictureShown()) {
            const Integer s = item->TextLeft - W1 - w + 1;
            if (s <= x && x < s + W1) return hit(ipPicture);
            p = s;
            if (item->Picture2Shown() || checkBox) p -= w;
        }
        if (item->Picture2Shown()) {
            if (p - W2 <= x && x < p) return hit(ipPicture2);
            p -= W2;
            // The painter keeps a gap between the check box and the second image as well.
            if (checkBox) p -= w;
        }
        if (checkBox) {
            const Integer q = p + 1;
            if (q - C <= x && x < q) return hit(ipCheckBox);
            p = q - C;
        }
        if (button && p - I <= x && x < p) return hit(ipButton);
        return item;
    }
    Integer p = item->TextRight + w - 1;
    if (item->TextLeft <= x && x <= p) return hit(ipMainText);
    if (item->PictureShown()) {
        if (p <= x && x < p + W1) return hit(ipPicture);
        p += W1;
        if (item->Picture2Shown() || checkBox) p += w;
    }
    if (item->Picture2Shown()) {
        if (p <= x && x < p + W2) return hit(ipPicture2);
        p += W2;
        if (checkBox) p += w;
    }
    if (checkBox) {
        if (p - 1 <= x && x < p - 1 + C) return hit(ipCheckBox);
        p = p - 1 + C;
    }
    if (button && p <= x && x < p + I) return hit(ipButton);
    return item;
}
