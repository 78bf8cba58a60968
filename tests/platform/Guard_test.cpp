#include "platform/Guard.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct Plain : TObject {
    // Where the destructor reports what a guard of this object read while it ran.
    const TGuardPtr<Plain>* self = nullptr;
    bool* aliveInDestructor = nullptr;
    ~Plain() override
    {
        if (self) *aliveInDestructor = static_cast<bool>(*self);
    }
};

struct Comp : TComponent {
    using TComponent::TComponent;
    TNotifyEvent OnFire;
    int afterwards = 0;
    // What a raising site does: raise, then touch itself only if the handler left it alive.
    void Fire()
    {
        TGuardPtr<Comp> self(this);
        if (OnFire) OnFire(this);
        if (!self) return;
        ++afterwards;
    }
};

// A control-like class that starts going in its own destructor, before its parts are torn down.
struct EarlyGoer : TComponent {
    using TComponent::TComponent;
    TGuardPtr<EarlyGoer> probe;
    bool* aliveDuringTeardown = nullptr;
    bool* lateGuardAlive = nullptr;
    ~EarlyGoer() override
    {
        Destroying();
        *aliveDuringTeardown = static_cast<bool>(probe);
        TGuardPtr<EarlyGoer> late(this);
        *lateGuardAlive = static_cast<bool>(late);
    }
};

struct Interface {
    virtual ~Interface() = default;
    int marker = 7;
};
// The object part is not at the start of the class: the guard must still hand back the whole object.
struct Mixed : Interface, TComponent {
    Mixed() : TComponent(nullptr) {}
};

TEST(Guard, TurnsNullWhenItsObjectGoesByAnyRoute)
{
    auto* deleted = new Plain;
    TGuardPtr<Plain> g1(deleted);
    EXPECT_EQ(g1.Get(), deleted);
    delete deleted;
    EXPECT_FALSE(g1);
    EXPECT_EQ(g1.Get(), nullptr);
    EXPECT_TRUE(g1.Gone());

    // Free clears before any destructor runs.
    bool aliveInside = false;
    auto* freed = new Plain;
    TGuardPtr<Plain> g2(freed);
    freed->self = &g2;
    freed->aliveInDestructor = &aliveInside;
    TObject::Free(freed);
    EXPECT_FALSE(aliveInside);
    EXPECT_FALSE(g2);
    auto* plain = new Plain;
    TGuardPtr<Plain> g5(plain);
    delete plain;
    EXPECT_FALSE(g5);

    auto* owner = new Comp(nullptr);
    auto* owned = new Comp(owner);
    TGuardPtr<Comp> g3(owned);
    TGuardPtr<Comp> g4(owner);
    delete owner;
    EXPECT_FALSE(g3);
    EXPECT_FALSE(g4);
}

TEST(Guard, AComponentThatStartedGoingReadsNullEvenToNewGuards)
{
    bool during = true, late = true;
    auto* c = new EarlyGoer(nullptr);
    c->probe = c;
    c->aliveDuringTeardown = &during;
    c->lateGuardAlive = &late;
    ASSERT_TRUE(c->probe);
    delete c;
    EXPECT_FALSE(during);
    EXPECT_FALSE(late) << "a guard taken on an object already going reads null";

    // Destroying sets the state itself: check it directly on a live object.
    TComponent parent(nullptr);
    auto* child = new Comp(&parent);
    TGuardPtr<Comp> g(child);
    parent.Destroying();
    EXPECT_FALSE(g) << "the owner going marks its components going";
    TGuardPtr<Comp> fresh(child);
    EXPECT_FALSE(fresh);
    EXPECT_TRUE(fresh.Gone());
}

TEST(Guard, ARaisingSiteNoticesAHandlerThatFreesItsSender)
{
    auto* c = new Comp(nullptr);
    c->OnFire = [](TObject* Sender) { delete static_cast<Comp*>(Sender); };
    c->Fire();  // ASan reports a use after free if Fire touched itself
    auto* owner = new Comp(nullptr);
    auto* kid = new Comp(owner);
    kid->OnFire = [owner](TObject*) { delete owner; };
    kid->Fire();

    Comp kept(nullptr);
    kept.OnFire = [](TObject*) {};
    kept.Fire();
    EXPECT_EQ(kept.afterwards, 1);
}

TEST(Guard, CopiesMovesAndReassignmentShareOneBlockSafely)
{
    auto* a = new Comp(nullptr);
    auto* b = new Comp(nullptr);
    std::vector<TGuardPtr<Comp>> many;
    for (int i = 0; i < 100; ++i) many.emplace_back(i % 2 ? a : b);
    TGuardPtr<Comp> copy(many[1]);
    TGuardPtr<Comp> moved(std::move(many[2]));
    EXPECT_EQ(many[2].Get(), nullptr);
    EXPECT_FALSE(many[2].Gone()) << "a moved-from guard is empty, not gone";
    EXPECT_EQ(moved.Get(), b);
    const TGuardPtr<Comp>& same = copy;
    copy = same;  // assigning a guard to itself keeps the object
    EXPECT_EQ(copy.Get(), a);
    copy = moved;
    EXPECT_EQ(copy.Get(), b);
    many.resize(10);
    delete b;
    EXPECT_FALSE(copy);
    EXPECT_FALSE(moved);
    EXPECT_EQ(many[1].Get(), a);
    EXPECT_FALSE(many[0]);
    many.clear();  // guards of a live object go first, the object later
    TGuardPtr<Comp> last(a);
    last = nullptr;
    EXPECT_FALSE(last.Gone());
    last = a;
    EXPECT_EQ(&*last, a);
    last.Clear();
    EXPECT_EQ(last.Get(), nullptr);
    delete a;
    TGuardPtr<Comp> none;
    EXPECT_FALSE(none);
    EXPECT_FALSE(none.Gone());
}

TEST(Guard, HandsBackTheWholeObjectWhenTheObjectPartIsNotFirst)
{
    auto* m = new Mixed;
    TGuardPtr<Mixed> g(m);
    TGuardPtr<TComponent> asComponent(m);
    EXPECT_EQ(g.Get(), m);
    EXPECT_EQ(g->marker, 7);
    EXPECT_EQ(asComponent.Get(), static_cast<TComponent*>(m));
    delete m;
    EXPECT_FALSE(g);
    EXPECT_FALSE(asComponent);
}

}  // namespace
