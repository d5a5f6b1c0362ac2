# Every dependency is a Debian package installed by scripts/setup.sh; nothing is downloaded here.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets)
find_package(CURL REQUIRED)
find_package(ICU REQUIRED COMPONENTS uc i18n data)
find_package(GTest REQUIRED)
find_package(benchmark REQUIRED)
find_package(OpenSSL REQUIRED)
