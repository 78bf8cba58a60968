#include "memo/Stylebase.h"

#include "platform/Graphics.h"

TStyleMemoBase::TStyleMemoBase(TComponent* AOwner) : TComponent(AOwner), FFont(std::make_unique<TFont>()) {}

TStyleMemoBase::~TStyleMemoBase() = default;
