// Array variants: one to many dimensions with bounds of their own, copied by value.
#include <algorithm>
#include <memory>
#include <vector>

#include "platform/runtime/Variant.h"

namespace kov_variant_detail {

struct TVarArrayData {
    TVarType ElementType = varVariant;
    std::vector<Integer> LowBounds; // per dimension, the first dimension first
    std::vector<Integer> Counts;
    std::vector<Variant> Elements; // the last dimension varies fastest
};

TArrayRef::TArrayRef() = default;
TArrayRef::TArrayRef(std::unique_ptr<TVarArrayData> data) : FData(std::move(data)) {}
TArrayRef::TArrayRef(const TArrayRef& other)
    : FData(other.FData ? std::make_unique<TVarArrayData>(*other.FData) : nullptr) {}
TArrayRef::TArrayRef(TArrayRef&& other) noexcept = default;

TArrayRef& TArrayRef::operator=(const TArrayRef& other) {
    if (this != &other) FData = other.FData ? std::make_unique<TVarArrayData>(*other.FData) : nullptr;
    return *this;
}

TArrayRef& TArrayRef::operator=(TArrayRef&& other) noexcept = default;
TArrayRef::~TArrayRef() = default;

} // namespace kov_variant_detail

using kov_variant_detail::TVarArrayData;

Variant TVariantAccess::MakeArray(TVarType elementType, std::unique_ptr<TVarArrayData> data) {
    Variant v;
    v.FType = static_cast<TVarType>(varArray | elementType);
    v.FPayload = kov_variant_detail::TArrayRef(std::move(data));
    return v;
}

namespace {

using A = TVariantAccess;

// Far beyond any array the program builds; a script asking for more gets an error instead of
// exhausting the machine.
constexpr Int64 MaxElements = Int64{1} << 26;
constexpr std::size_t MaxDimensions = 64;

[[noreturn]] void RaiseCreateError() {
    throw EVariantArrayCreateError("Error creating variant or safe array");
}
[[noreturn]] void RaiseBadIndex() {
    throw EVariantBadIndexError("Variant or safe array index out of bounds");
}
[[noreturn]] void RaiseNotAnArray() { throw EVariantNotAnArrayError("Variant is not an array"); }

bool IsValidElementType(TVarType type) {
    switch (type) {
    case varSmallint:
    case varInteger:
    case varSingle:
    case varDouble:
    case varCurrency:
    case varDate:
    case varOleStr:
    case varDispatch:
    case varError:
    case varBoolean:
    case varVariant:
    case varUnknown:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
    case varString:
        return true;
    default:
        return false;
    }
}

Variant ZeroOf(TVarType type) {
    switch (type) {
    case varVariant:
        return {};
    case varSingle:
        return 0.0f;
    case varDouble:
        return 0.0;
    case varDate:
        return VarFromDateTime(0);
    case varCurrency:
        return Currency();
    case varBoolean:
        return false;
    case varOleStr:
        return WideString();
    case varString:
        return String();
    case varDispatch:
        return static_cast<IDispatch*>(nullptr);
    case varUnknown:
        return static_cast<IUnknown*>(nullptr);
    default:
        return A::MakeInt(type, 0);
    }
}

Int64 TotalCount(const std::vector<Integer>& counts) {
    Int64 total = 1;
    for (Integer count : counts) {
        total *= count;
        if (total > MaxElements) RaiseCreateError();
    }
    return total;
}

TVarArrayData& DataOf(const Variant& a) {
    if (!VarIsArray(a)) RaiseNotAnArray();
    return *A::Array(a);
}

std::size_t OffsetOf(const TVarArrayData& data, const Integer* indices, std::size_t count) {
    if (count != data.Counts.size()) throw EVariantInvalidArgError("Invalid argument");
    Int64 offset = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const Int64 relative = Int64{indices[i]} - data.LowBounds[i];
        if (relative < 0 || relative >= data.Counts[i]) RaiseBadIndex();
        offset = offset * data.Counts[i] + relative;
    }
    return static_cast<std::size_t>(offset);
}

void CheckDimension(const TVarArrayData& data, Integer dim) {
    if (dim < 1 || static_cast<std::size_t>(dim) > data.Counts.size()) RaiseBadIndex();
}

void Put(Variant& a, const Variant& value, const Integer* indices, std::size_t count) {
    TVarArrayData& data = DataOf(a);
    // Converted (or copied) first: the value may be this very array or one of its elements.
    Variant converted = data.ElementType == varVariant ? value : VarAsType(value, data.ElementType);
    data.Elements[OffsetOf(data, indices, count)] = std::move(converted);
}

} // namespace

Variant VarArrayCreate(const std::vector<Integer>& bounds, TVarType elementType) {
    if (bounds.empty() || bounds.size() % 2 != 0 || bounds.size() / 2 > MaxDimensions) RaiseCreateError();
    if (!IsValidElementType(elementType)) RaiseCreateError();
    auto data = std::make_unique<TVarArrayData>();
    data->ElementType = elementType;
    for (std::size_t i = 0; i < bounds.size(); i += 2) {
        const Int64 count = Int64{bounds[i + 1]} - bounds[i] + 1;
        if (count < 0 || count > MaxElements) RaiseCreateError();
        data->LowBounds.push_back(bounds[i]);
        data->Counts.push_back(static_cast<Integer>(count));
    }
    data->Elements.assign(static_cast<std::size_t>(TotalCount(data->Counts)), ZeroOf(elementType));
    return A::MakeArray(elementType, std::move(data));
}

Variant VarArrayCreate(std::initializer_list<Integer> bounds, TVarType elementType) {
    return VarArrayCreate(std::vector<Integer>(bounds), elementType);
}

Variant VarArrayOf(const std::vector<Variant>& values) {
    if (static_cast<Int64>(values.size()) > MaxElements) RaiseCreateError();
    auto data = std::make_unique<TVarArrayData>();
    data->ElementType = varVariant;
    data->LowBounds.push_back(0);
    data->Counts.push_back(static_cast<Integer>(values.size()));
    data->Elements = values;
    return A::MakeArray(varVariant, std::move(data));
}

Variant VarArrayOf(std::initializer_list<Variant> values) { return VarArrayOf(std::vector<Variant>(values)); }

Integer VarArrayDimCount(const Variant& a) {
    return VarIsArray(a) ? static_cast<Integer>(A::Array(a)->Counts.size()) : 0;
}

Integer VarArrayLowBound(const Variant& a, Integer dim) {
    const TVarArrayData& data = DataOf(a);
    CheckDimension(data, dim);
    return data.LowBounds[static_cast<std::size_t>(dim - 1)];
}

Integer VarArrayHighBound(const Variant& a, Integer dim) {
    const TVarArrayData& data = DataOf(a);
    CheckDimension(data, dim);
    const auto i = static_cast<std::size_t>(dim - 1);
    return static_cast<Integer>(Int64{data.LowBounds[i]} + data.Counts[i] - 1);
}

void VarArrayRedim(Variant& a, Integer highBound) {
    TVarArrayData& data = DataOf(a);
    const std::size_t last = data.Counts.size() - 1;
    const Int64 newCount = Int64{highBound} - data.LowBounds[last] + 1;
    if (newCount < 0 || newCount > MaxElements) RaiseCreateError();
    std::vector<Integer> counts = data.Counts;
    counts[last] = static_cast<Integer>(newCount);
    const auto total = static_cast<std::size_t>(TotalCount(counts));
    const auto oldCount = static_cast<std::size_t>(data.Counts[last]);
    const auto keep = std::min(oldCount, static_cast<std::size_t>(newCount));
    std::vector<Variant> elements(total, ZeroOf(data.ElementType));
    if (newCount > 0) {
        const std::size_t rows = total / static_cast<std::size_t>(newCount);
        for (std::size_t row = 0; row < rows; ++row)
            for (std::size_t j = 0; j < keep; ++j)
                elements[row * static_cast<std::size_t>(newCount) + j] =
                    std::move(data.Elements[row * oldCount + j]);
    }
    data.Elements = std::move(elements);
    data.Counts = std::move(counts);
}

Variant VarArrayGet(const Variant& a, const std::vector<Integer>& indices) {
    const TVarArrayData& data = DataOf(a);
    return data.Elements[OffsetOf(data, indices.data(), indices.size())];
}

Variant VarArrayGet(const Variant& a, std::initializer_list<Integer> indices) {
    const TVarArrayData& data = DataOf(a);
    return data.Elements[OffsetOf(data, indices.begin(), indices.size())];
}

void VarArrayPut(Variant& a, const Variant& value, const std::vector<Integer>& indices) {
    Put(a, value, indices.data(), indices.size());
}

void VarArrayPut(Variant& a, const Variant& value, std::initializer_list<Integer> indices) {
    Put(a, value, indices.begin(), indices.size());
}

namespace kov_variant_detail {

Variant ArrayAsType(const Variant& v, TVarType varType) {
    const TVarType elementType = varType & varTypeMask;
    if ((varType & ~(varTypeMask | varArray)) != 0 || !IsValidElementType(elementType))
        throw EVariantBadVarTypeError("Invalid variant type");
    if (!VarIsArray(v)) RaiseCastError(v.VType(), varType);
    const TVarArrayData& source = *A::Array(v);
    if (source.ElementType == elementType) return v;
    auto data = std::make_unique<TVarArrayData>();
    data->ElementType = elementType;
    data->LowBounds = source.LowBounds;
    data->Counts = source.Counts;
    data->Elements.reserve(source.Elements.size());
    for (const Variant& element : source.Elements)
        data->Elements.push_back(elementType == varVariant ? element : VarAsType(element, elementType));
    return A::MakeArray(elementType, std::move(data));
}

} // namespace kov_variant_detail
