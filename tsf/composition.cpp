#include "composition.h"

#include <new>

namespace miradot {

ComPtr<CompositionHolder> CompositionHolder::create()
{
    ComPtr<CompositionHolder> holder;
    holder.attach(new (std::nothrow) CompositionHolder());
    return holder;
}

void CompositionHolder::Release()
{
    if (--refs_ == 0)
        delete this;
}

}  // namespace miradot
