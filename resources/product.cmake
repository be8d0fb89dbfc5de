# The facts about the product that the program, its about panel and its packages share.
# A packager who ships Velbrisk under another maker's name changes them here and nowhere else.
set(VELBRISK_PRODUCT_NAME "Velbrisk")
set(VELBRISK_VERSION_TEXT "1.0")
set(VELBRISK_FILE_VERSION "1.00")
set(VELBRISK_AUTHOR "Velbrisk开发组")
set(VELBRISK_MAKER "Velbrisk开发组")
set(VELBRISK_MAIL "velbrisk@example.com")
set(VELBRISK_MAIL_PROVIDER "Example")
set(VELBRISK_SECOND_MAIL "velbrisk@example.net")
set(VELBRISK_HOME_PAGE "https://velbrisk.example.org/")
set(VELBRISK_LICENSE_NAME "MIT许可证")
set(VELBRISK_LICENSE_SPDX "MIT")
# The desktop's name for the program (desktop entry, metainfo, icon): the home page's host, reversed.
set(VELBRISK_APP_ID "org.example.velbrisk")
