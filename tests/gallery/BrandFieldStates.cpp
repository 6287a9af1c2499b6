// The brand field: no brand yet, "Other brand" with its empty name field, and a typed name.

#include "GalleryState.hpp"
#include "GalleryWorld.hpp"

namespace tessorin::gallery {
namespace {

GalleryState brandField(QString state, std::optional<Brand> brand, std::string customBrand,
                        std::vector<Expectation> expectations, bool choicesOpen = false) {
  return {.view = QStringLiteral("BrandField"),
          .state = std::move(state),
          .size = choicesOpen ? QSize(440, 620) : QSize(440, 72),
          .scene = QStringLiteral("scenes/BrandFieldScene.qml"),
          .properties =
              [brand, customBrand, choicesOpen](GalleryWorld& world) {
                CardSession* session = world.session(GalleryWorld::builtInCard(32'000'000'000, "SDHC"));
                session->setClaimedBrand(brand);
                session->setCustomBrandName(customBrand);
                return QVariantMap{{QStringLiteral("session"), QVariant::fromValue<QObject*>(session)},
                                   {QStringLiteral("choicesOpen"), choicesOpen}};
              },
          .expectations = std::move(expectations)};
}

const bool registered = addGalleryStates({
    brandField(QStringLiteral("not-sure"), std::nullopt, "",
               {{QStringLiteral("brandPicker"), QStringLiteral("currentText"), QStringLiteral("Not sure")},
                {QStringLiteral("brandNameField"), QStringLiteral("visible"), false}}),
    brandField(QStringLiteral("other-empty"), Brand::other, "",
               {{QStringLiteral("brandPicker"), QStringLiteral("currentText"), QStringLiteral("Other brand")},
                {QStringLiteral("brandNameField"), QStringLiteral("visible"), true},
                {QStringLiteral("brandNameField"), QStringLiteral("text"), QString()}}),
    brandField(QStringLiteral("other-typed"), Brand::other, "Acme Pro",
               {{QStringLiteral("brandNameField"), QStringLiteral("text"), QStringLiteral("Acme Pro")}}),
    brandField(QStringLiteral("choices"), Brand::kioxia, "",
               {{QStringLiteral("brandPicker"), QStringLiteral("currentText"), QStringLiteral("Kioxia / Toshiba")}},
               true),
});

}  // namespace
}  // namespace tessorin::gallery
