// A host for the item model that writes down what the model asks of it, one short line per call,
// and consumes every flag of the bracket's work as a view would.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tree/Extree.h"

class TreeRecorder : public TExTreeHost {
public:
    std::vector<std::string> Log;
    // Names to log items by; unnamed items log their text.
    std::map<const TExTreeItem*, std::string> Names;
    // Sizes MeasureCell answers, by section (-1 the tree column).
    std::map<Integer, TPoint> Cells;
    Integer Sections = 0;
    bool RefuseChanging = false;
    bool RefuseExpanding = false;
    bool RefuseCollapsing = false;
    bool LogRedraws = true;
    std::string VirtualPrefix = "v";
    Integer HTMLAlive = 0;

    std::string Name(const TExTreeItem* Item) const
    {
        if (!Item) return "nil";
        auto it = Names.find(Item);
        return it != Names.end() ? it->second : Item->Text();
    }
    void Clear() { Log.clear(); }
    // The lines that start with Prefix.
    std::vector<std::string> Lines(const std::string& Prefix) const
    {
        std::vector<std::string> r;
        for (const auto& l : Log)
            if (l.compare(0, Prefix.size(), Prefix) == 0) r.push_back(l);
        return r;
    }
    bool Has(const std::string& Line) const
    {
        for (const auto& l : Log)
            if (l == Line) return true;
        return false;
    }

    void UpdateRefresh(TExTreeRefresh& W) override
    {
        std::string s = "refresh";
        if (W.UpdatePending) s += " update";
        if (W.SortPending) s += " sort";
        if (W.SortParent) s += " sort:" + Name(W.SortParent);
        if (W.ColumnsAutoSizePending) s += " autosize";
        if (W.RowsChanged) s += " rows";
        if (W.ViewChanged) s += " view";
        if (W.TopIndexChanged) s += " top";
        if (W.VisCountChanged) s += " viscount";
        if (W.HRangeStale) s += " hrange";
        Log.push_back(s);
        W = TExTreeRefresh{};
    }
    void RedrawItem(TExTreeItem* Item, TExRedrawArea Area, Integer Left, Integer Right) override
    {
        if (!LogRedraws) return;
        std::string s = "redraw " + Name(Item);
        if (Area == raRange) s += " " + std::to_string(Left) + ".." + std::to_string(Right);
        if (Area == raMainCell) s += " cell";
        Log.push_back(s);
    }
    TPoint MeasureCell(TExTreeItem* Item, Integer SectionIndex) override
    {
        Log.push_back("measure " + Name(Item) + " " + std::to_string(SectionIndex));
        auto it = Cells.find(SectionIndex);
        return it != Cells.end() ? it->second : TPoint{0, 0};
    }
    Integer SectionCount() override { return Sections; }
    TExHTMLData* RenderHTML(const std::string& Text) override
    {
        Log.push_back("render " + Text);
        ++HTMLAlive;
        // Never dereferenced: a distinct token per rendering.
        return reinterpret_cast<TExHTMLData*>(new char);
    }
    void FreeHTML(TExHTMLData* Data) override
    {
        if (!Data) return;
        --HTMLAlive;
        delete reinterpret_cast<char*>(Data);
    }
    void DoItemChange(TExTreeItem* Item, TItemChangeMode Mode) override
    {
        Log.push_back("change " + Name(Item) + (Mode == icmText ? " text" : Mode == icmState ? " state" : " check"));
    }
    void DoItemDelete(TExTreeItem* Item) override { Log.push_back("delete " + Name(Item)); }
    void DoItemExpanding(TExTreeItem* Item, bool& CanProcess) override
    {
        Log.push_back("expanding " + Name(Item));
        if (RefuseExpanding) CanProcess = false;
    }
    void DoItemExpand(TExTreeItem* Item) override { Log.push_back("expand " + Name(Item)); }
    void DoItemCollapsing(TExTreeItem* Item, bool& CanProcess) override
    {
        Log.push_back("collapsing " + Name(Item));
        if (RefuseCollapsing) CanProcess = false;
    }
    void DoItemCollapse(TExTreeItem* Item) override { Log.push_back("collapse " + Name(Item)); }
    void TriggerItemSelectedChangeEvent(TExTreeItem* Item) override { Log.push_back("selchange " + Name(Item)); }
    void DoChanging(TExTreeItem* Item, bool& AllowChange) override
    {
        Log.push_back("changing " + Name(Item));
        AllowChange = !RefuseChanging;
    }
    void DoItemFocused() override { Log.push_back("focused"); }
    void StartDelayedFocus(TExTreeItem* Item) override { Log.push_back("delayfocus " + Name(Item)); }
    std::string TriggerVirtualTextNeeded(TExTreeItem* Item, Integer SectionIndex) override
    {
        return VirtualPrefix + std::to_string(Item->GetAbsIndex()) + ":" + std::to_string(SectionIndex);
    }
    std::string TriggerVirtualHintNeeded(TExTreeItem* Item) override { return "hint" + std::to_string(Item->GetAbsIndex()); }
    void FocusedItemShown(TExTreeItem* Item) override { Log.push_back("shown " + Name(Item)); }
    void ForgetItem(TExTreeItem* Item) override { Log.push_back("forget " + Name(Item)); }
    void RemoveRow(TExTreeItem* Item) override { Log.push_back("row- " + Name(Item)); }
};
