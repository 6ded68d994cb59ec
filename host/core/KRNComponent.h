#pragma once

// What the application object needs of the instances it creates and owns,
// and all it knows of the forms among them: a creation handler run right
// after construction, a show handler run before a form takes input, and a
// destroy handler run right before destruction (never from a constructor or
// destructor, so that each reaches the most derived class).
class TKRNComponent
{
public:
    virtual ~TKRNComponent() = default;

    void RunCreateHandler() { DoCreate(); }
    void RunShowHandler() { DoShow(); }
    void RunDestroyHandler()
    {
        if (!m_destroyed) {
            m_destroyed = true;
            DoDestroy();
        }
    }

protected:
    virtual void DoCreate() {}
    virtual void DoShow() {}
    virtual void DoDestroy() {}

private:
    bool m_destroyed = false;
};

// Runs the destroy handler, then deletes. Use for every instance that has
// handlers (std::unique_ptr<T, TKRNFree> for per-use forms).
struct TKRNFree
{
    void operator()(TKRNComponent* component) const
    {
        if (component) {
            component->RunDestroyHandler();
            delete component;
        }
    }
};
