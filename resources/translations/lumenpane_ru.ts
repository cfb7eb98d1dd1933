<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name></name>
    <message id="lp_tr_language">
        <source>English</source>
        <translation>Русский</translation>
    </message>
    <message id="lp_err_autoreconnect_failed">
        <source>couldn't auto-reconnect to device. Please, connect it manually later.</source>
        <translation>не удалось автоматически переподключиться к устройству. Пожалуйста, подключите его вручную позже.</translation>
    </message>
    <message id="lp_err_failed_manager_init">
        <source>failed to init: </source>
        <translation>не удалось инициализировать: </translation>
    </message>
    <message id="lp_err_logger_cant_create_dirs">
        <source>failed to create dir used to store logs at: </source>
        <translation>не удалось создать папку для хранения журналов: </translation>
    </message>
    <message id="lp_err_logger_cant_create_file">
        <source>failed to create log file at: </source>
        <translation>не удалось создать файл журнала: </translation>
    </message>
    <message id="lp_err_settings_cant_create_dirs">
        <source>failed to create dirs used to save profiles at: </source>
        <translation>не удалось создать папки для сохранения профилей: </translation>
    </message>
    <message id="lp_err_settings_cant_create_files">
        <source>failed to create files used to work with user profiles</source>
        <translation>не удалось создать файлы для работы с профилями пользователя</translation>
    </message>
    <message id="lp_err_settings_cant_create_default">
        <source>default settings file cannot be generated at: </source>
        <translation>не удалось создать файл настроек по умолчанию: </translation>
    </message>
    <message id="lp_err_settings_custom_files_not_allowed">
        <source>you cannot set profile to use some custom file for writing: </source>
        <translation>нельзя назначить профилю для записи произвольный файл: </translation>
    </message>
    <message id="lp_err_settings_cant_rewrite_current">
        <source>you were trying to rewrite 'current' preset, which is forbidden. Please, try again and choose different name of the file</source>
        <translation>вы пытались перезаписать профиль 'current', что запрещено. Пожалуйста, повторите попытку и выберите другое имя файла</translation>
    </message>
    <message id="lp_err_settings_damaged_profile">
        <source>the settings profile is damaged or is not a settings file, so it was not loaded: </source>
        <translation>профиль настроек повреждён или не является файлом настроек, поэтому он не загружен: </translation>
    </message>
    <message id="lp_err_settings_cant_rewrite_default">
        <source>you were trying to rewrite 'default' preset, which is forbidden. Please, try again and choose different name of the file</source>
        <translation>вы пытались перезаписать профиль 'default', что запрещено. Пожалуйста, повторите попытку и выберите другое имя файла</translation>
    </message>
    <message id="lp_err_tr_files_lost">
        <source>translation files cannot be found</source>
        <translation>файлы перевода не найдены</translation>
    </message>
    <message id="lp_util_failed_to_create">
        <source>failed to create dir [ %1 ] at: %2</source>
        <translation>не удалось создать папку [ %1 ] по пути: %2</translation>
    </message>
    <message id="lp_err_trace_cant_create_dirs">
        <source>failed to create dir used to store trace files at: </source>
        <translation>не удалось создать папку для хранения файлов трасс по пути: </translation>
    </message>
    <message id="lp_err_trace_cant_create_file">
        <source>failed to create trace file at: </source>
        <translation>не удалось создать файл трассы по пути: </translation>
    </message>
    <message id="lp_err_trace_cant_create_text_file">
        <source>failed to create trace text file at: </source>
        <translation>не удалось создать текстовый файл трассы по пути: </translation>
    </message>
    <message id="lp_err_trace_cant_get_bw_values">
        <source>failed to get bandwidth values</source>
        <translation>не удалось получить значения полосы пропускания</translation>
    </message>
    <message id="lp_err_trace_cant_read_file">
        <source>failed to read trace file at: </source>
        <translation>не удалось прочитать файл трассы по пути: </translation>
    </message>
    <message id="lp_err_trace_cant_read_text_file">
        <source>failed to read trace text file at: </source>
        <translation>не удалось прочитать текстовый файл трассы по пути: </translation>
    </message>
    <message id="lp_err_cant_write_settings">
        <source>settings cannot be written</source>
        <translation>настройки не могут быть записаны</translation>
    </message>
    <message id="lp_err_calib_cant_create_dirs">
        <source>failed to create dir used to store calibration files at: </source>
        <translation>не удалось создать папку для хранения файлов калибровки по пути: </translation>
    </message>
    <message id="lp_err_calib_cant_create_calib_table">
        <source>failed to create calib table at: </source>
        <translation>не удалось создать таблицу калибровок по пути: </translation>
    </message>
    <message id="lp_err_calib_cant_create_table_file">
        <source>failed to load calib table file at: </source>
        <translation>не удалось загрузить файл таблицы калибровок по пути: </translation>
    </message>
    <message id="lp_err_calib_no_dir">
        <source>failed to find dir used to store calibration files at: </source>
        <translation>не удалось найти папку для хранения файлов калибровки по пути: </translation>
    </message>
    <message id="lp_err_calib_cant_create_device_dir">
        <source>failed to create dir used to store calibration files for this device at: </source>
        <translation>не удалось создать папку для хранения файлов калибровки этого устройства по пути: </translation>
    </message>
    <message id="lp_err_last_calib_lost">
        <source>last used calibration for this device is missing. Falling back to the factory calibration</source>
        <translation>последняя использованная калибровка для этого устройства отсутствует. Используется заводская калибровка</translation>
    </message>
    <message id="lp_err_last_calib_cant_open">
        <source>failed to load last used calibration for this device from path: </source>
        <translation>не удалось загрузить последнюю использованную калибровку для этого устройства по пути: </translation>
    </message>
    <message id="lp_err_calib_wrong_device">
        <source>given calib file cannot be loaded because it was saved for another device: </source>
        <translation>выбранный файл калибровки не может быть загружен, так как он сохранён для другого устройства: </translation>
    </message>
    <message id="lp_err_calib_last_isnt_complete">
        <source>calibration type is not 'full', thus cannot be saved</source>
        <translation>калибровка не является полной, поэтому не может быть сохранена</translation>
    </message>
    <message id="lp_err_calib_cant_create_file">
        <source>failed to create calib file at: </source>
        <translation>не удалось создать файл калибровки по пути: </translation>
    </message>
    <message id="lp_err_device_doesnt_have_this_calib">
        <source>tried to access nonexistent calibration. Falling back to the factory calibration</source>
        <translation>попытка обратиться к несуществующей калибровке. Используется заводская калибровка</translation>
    </message>
    <message id="lp_err_calib_no_factory_calib">
        <source>Factory calibration is null. Device seems to be broken. Please, contact support</source>
        <translation>Заводская калибровка отсутствует. Похоже, устройство неисправно. Пожалуйста, обратитесь в службу поддержки</translation>
    </message>
    <message id="lp_err_calib_try_send_factory_calib">
        <source>tried to send factory calibration to device but it's not allowed</source>
        <translation>попытка записать заводскую калибровку в устройство, что запрещено</translation>
    </message>
    <message id="lp_err_update_files_lost">
        <source>update files are lost for this device. Please, contact support</source>
        <translation>файлы обновления для этого устройства утеряны. Пожалуйста, обратитесь в службу поддержки</translation>
    </message>
    <message id="lp_ptraces_btn_save_file">
        <source> Save to file</source>
        <translation> Сохранить</translation>
    </message>
    <message id="lp_ptraces_btn_load_file">
        <source> Load from file</source>
        <translation> Загрузить</translation>
    </message>
    <message id="lp_ptraces_btn_rm_traces">
        <source>Remove traces</source>
        <translation>Удалить трассы</translation>
    </message>
    <message id="lp_pgtrace_save_dialog_failed">
        <source>save file dialog wasn't created</source>
        <translation>диалог сохранения файла не был создан</translation>
    </message>
    <message id="lp_pgtrace_load_dialog_failed">
        <source>load file dialog wasn't created</source>
        <translation>диалог загрузки файла не был создан</translation>
    </message>
    <message id="lp_pgtrace_load_unsupported_file_format">
        <source>cannot load trace using unsupported file format: </source>
        <translation>невозможно загрузить трассу из файла неподдерживаемого формата: </translation>
    </message>
    <message id="lp_pgtrace_save_unsupported_file_format">
        <source>cannot save trace using unsupported file format: </source>
        <translation>невозможно сохранить трассу в файл неподдерживаемого формата: </translation>
    </message>
    <message id="lp_pgtrace_save_dialog_title">
        <source>Save trace file</source>
        <translation>Сохранение файла трассы</translation>
    </message>
    <message id="lp_pgtrace_load_dialog_title">
        <source>Load trace file</source>
        <translation>Загрузка файла трассы</translation>
    </message>
    <message id="lp_pgtrace_trace_file_filters">
        <source>All files (*);;Trace data (*.tbin);;Text file (*.dat);;Touchstone (*.s1p)</source>
        <translation>Все файлы (*);;Данные трассы (*.tbin);;Текстовый файл (*.dat);;Touchstone (*.s1p)</translation>
    </message>
    <message id="lp_pmark_show_marks">
        <source>Show markers</source>
        <translation>Показывать маркеры</translation>
    </message>
    <message id="lp_pmark_btn_rm_marks">
        <source>Remove markers</source>
        <translation>Удалить все</translation>
    </message>
    <message id="lp_err_enter_bad_freq">
        <source>entered bad freq</source>
        <translation>введена неверная частота</translation>
    </message>
    <message id="lp_pcalib_open">
        <source>Open</source>
        <translation>Холостой ход</translation>
    </message>
    <message id="lp_pcalib_short">
        <source>Short</source>
        <translation>Короткое замыкание</translation>
    </message>
    <message id="lp_pcalib_load">
        <source>Load</source>
        <translation>Нагрузка</translation>
    </message>
    <message id="lp_pcalib_btn_do_calib">
        <source>Calibrate</source>
        <translation>Калибровать</translation>
    </message>
    <message id="lp_pcalib_btn_remove_all">
        <source>Remove all</source>
        <translation>Удалить все</translation>
    </message>
    <message id="lp_pcalib_calib_device_title">
        <source>Device's calibs</source>
        <translation>Калибровки устройства</translation>
    </message>
    <message id="lp_pcalib_calib_slot">
        <source>Preset #</source>
        <translation>Ячейка №</translation>
    </message>
    <message id="lp_pcalib_slot_factory">
        <source>Factory</source>
        <translation>Заводская</translation>
    </message>
    <message id="lp_pcalib_btn_download">
        <source>Get calibration
data</source>
        <translation>Получить данные
калибровки</translation>
    </message>
    <message id="lp_pcalib_btn_upload">
        <source>Send calibration
data</source>
        <translation>Отправить данные
калибровки</translation>
    </message>
    <message id="lp_pcalib_btn_save">
        <source> Save calib
 to file</source>
        <translation> Сохранить калибровку
 в файл</translation>
    </message>
    <message id="lp_pcalib_btn_load">
        <source> Load calib
 from file</source>
        <translation> Загрузить калибровку
 из файла</translation>
    </message>
    <message id="lp_pgcalib_save_dialog_failed">
        <source>save file dialog wasn't created</source>
        <translation>диалог сохранения файла не был создан</translation>
    </message>
    <message id="lp_pgcalib_load_dialog_failed">
        <source>load file dialog wasn't created</source>
        <translation>диалог загрузки файла не был создан</translation>
    </message>
    <message id="lp_pgcalib_no_device_dir">
        <source>calib dir wasn't created for this device, thus no default path can be set</source>
        <translation>папка калибровок для этого устройства не была создана, поэтому путь по умолчанию не может быть задан</translation>
    </message>
    <message id="lp_pgcalib_save_dialog_title">
        <source>Save calibration file for this device</source>
        <translation>Сохранение файла калибровки для этого устройства</translation>
    </message>
    <message id="lp_pgcalib_load_dialog_title">
        <source>Load calibration file for this device</source>
        <translation>Загрузка файла калибровки для этого устройства</translation>
    </message>
    <message id="lp_pgcalib_calib_file_filters">
        <source>Calibration data (*.cbin);;All files (*)</source>
        <translation>Данные калибровки (*.cbin);;Все файлы (*)</translation>
    </message>
    <message id="lp_psettings_language">
        <source>Language:</source>
        <translation>Язык:</translation>
    </message>
    <message id="lp_psettings_interpolation_title">
        <source>Interpolation</source>
        <translation>Интерполяция</translation>
    </message>
    <message id="lp_psettings_interpolation_enabled">
        <source>Enabled</source>
        <translation>Включена</translation>
    </message>
    <message id="lp_psettings_preset_title">
        <source>Preset</source>
        <translation>Профиль настроек</translation>
    </message>
    <message id="lp_psettings_btn_save">
        <source> Save to file</source>
        <translation> Сохранить в файл</translation>
    </message>
    <message id="lp_psettings_btn_load">
        <source> Load from file</source>
        <translation> Загрузить из файла</translation>
    </message>
    <message id="lp_pgsettings_save_dialog_failed">
        <source>save file dialog wasn't created</source>
        <translation>диалог сохранения файла не был создан</translation>
    </message>
    <message id="lp_pgsettings_load_dialog_failed">
        <source>load file dialog wasn't created</source>
        <translation>диалог загрузки файла не был создан</translation>
    </message>
    <message id="lp_pgsettings_no_users_dir">
        <source>users dir wasn't created, thus no default path can be set</source>
        <translation>папка пользовательских профилей не была создана, поэтому путь по умолчанию не может быть задан</translation>
    </message>
    <message id="lp_pgsettings_cant_save_preset">
        <source>preset cannot be saved to: %1.
Please, check target location</source>
        <translation>профиль не может быть сохранён в: %1.
Пожалуйста, проверьте место сохранения</translation>
    </message>
    <message id="lp_pgsettings_cant_load_preset">
        <source>preset cannot be loaded from: %1
%2</source>
        <translation>профиль не может быть загружен из: %1
%2</translation>
    </message>
    <message id="lp_pgsettings_preset_missing">
        <source>the file does not exist</source>
        <translation>файл не существует</translation>
    </message>
    <message id="lp_pgsettings_preset_unreadable">
        <source>the file cannot be read</source>
        <translation>файл не удаётся прочитать</translation>
    </message>
    <message id="lp_pgsettings_preset_not_ini">
        <source>the file is not a settings profile</source>
        <translation>файл не является профилем настроек</translation>
    </message>
    <message id="lp_pgsettings_save_dialog_title">
        <source>Save preset file</source>
        <translation>Сохранение файла профиля</translation>
    </message>
    <message id="lp_pgsettings_load_dialog_title">
        <source>Load preset file</source>
        <translation>Загрузка файла профиля</translation>
    </message>
    <message id="lp_pgsettings_preset_file_filters">
        <source>Preset file (*.ini);;All files (*)</source>
        <translation>Файл профиля (*.ini);;Все файлы (*)</translation>
    </message>
    <message id="lp_pabout_appversion_title">
        <source>App version: </source>
        <translation>Версия программы: </translation>
    </message>
    <message id="lp_pabout_about_qt">
        <source>About Qt</source>
        <translation>О Qt</translation>
    </message>
    <message id="lp_pabout_icons_credit">
        <source>Icons drawn for TolvekVNA and released with it.</source>
        <translation>Значки нарисованы для TolvekVNA и распространяются вместе с ней.</translation>
    </message>
    <message id="lp_pabout_support_title">
        <source>Tech. support: </source>
        <translation>Техподдержка: </translation>
    </message>
    <message id="lp_pcharts_btn_save_image">
        <source> Save image</source>
        <translation> Сохранить изображение</translation>
    </message>
    <message id="lp_pgcharts_save_image_title">
        <source>Save image of the selected plot</source>
        <translation>Сохранение изображения выбранного графика</translation>
    </message>
    <message id="lp_pgcharts_image_filters">
        <source>PNG image (*.png);;SVG image (*.svg)</source>
        <translation>Изображение PNG (*.png);;Изображение SVG (*.svg)</translation>
    </message>
    <message id="lp_pgcharts_cant_save_image">
        <source>image cannot be saved to: </source>
        <translation>изображение не может быть сохранено в: </translation>
    </message>
    <message id="devcon_err_cant_write_settings">
        <source>settings cannot be written</source>
        <translation>не удаётся записать настройки</translation>
    </message>
    <message id="devcon_sp_btn_apply">
        <source> Apply</source>
        <translation> Применить</translation>
    </message>
    <message id="devcon_sp_btn_refresh">
        <source> Refresh</source>
        <translation> Обновить</translation>
    </message>
    <message id="devcon_sp_description">
        <source>Description:</source>
        <translation>Описание:</translation>
    </message>
    <message id="devcon_sp_location">
        <source>Location:</source>
        <translation>Расположение:</translation>
    </message>
    <message id="devcon_sp_manufacturer">
        <source>Manufacturer:</source>
        <translation>Производитель:</translation>
    </message>
    <message id="devcon_sp_serial_number">
        <source>Serial number:</source>
        <translation>Серийный номер:</translation>
    </message>
    <message id="devcon_sp_window_title">
        <source>Select serial port..</source>
        <translation>Выбор последовательного порта..</translation>
    </message>
    <message id="lp_err_got_old_device_text">
        <source>Your device's firmware version isn't considered compatible with this software. Please, update your device</source>
        <translation>Версия прошивки вашего устройства несовместима с этой программой. Пожалуйста, обновите устройство</translation>
    </message>
    <message id="lp_err_got_old_device_title">
        <source>Warning: update is required</source>
        <translation>Внимание: требуется обновление</translation>
    </message>
    <message id="lp_menu_title">
        <source>Tolvek VNA</source>
        <translation>Tolvek VNA</translation>
    </message>
    <message id="lp_window_title">
        <source>Tolvek VNA</source>
        <translation>Tolvek VNA</translation>
    </message>
    <message id="lp_window_title_ver">
        <source>%1 ver. %2</source>
        <translation>%1 версия %2</translation>
    </message>
    <message id="lp_page_title_menu">
        <source>Main menu</source>
        <translation>Главное меню</translation>
    </message>
    <message id="lp_pmain_frequency">
        <source>Frequency</source>
        <translation>Частота</translation>
    </message>
    <message id="lp_pmain_charts">
        <source>Plots</source>
        <translation>Графики</translation>
    </message>
    <message id="lp_pmain_traces">
        <source>Traces</source>
        <translation>Трассы</translation>
    </message>
    <message id="lp_pmain_marks">
        <source>Markers</source>
        <translation>Маркеры</translation>
    </message>
    <message id="lp_pmain_calibration">
        <source>Calibration</source>
        <translation>Калибровка</translation>
    </message>
    <message id="lp_pmain_update_firmware">
        <source>Device</source>
        <translation>Устройство</translation>
    </message>
    <message id="lp_pupdate_id">
        <source>ID: </source>
        <translation>ID: </translation>
    </message>
    <message id="lp_pupdate_current_version">
        <source>Current
version:</source>
        <translation>Текущая
версия:</translation>
    </message>
    <message id="lp_pupdate_actual_version">
        <source>Latest
version:</source>
        <translation>Новейшая
версия:</translation>
    </message>
    <message id="lp_pupdate_el_delay_title">
        <source>Electrical delay</source>
        <translation>Электрическая задержка</translation>
    </message>
    <message id="lp_pupdate_el_delay_value">
        <source>Value: </source>
        <translation>Значение: </translation>
    </message>
    <message id="lp_units_picosec">
        <source>ps</source>
        <translation>пс</translation>
    </message>
    <message id="lp_pupdate_el_delay_enabled">
        <source>Enabled</source>
        <translation>Включено</translation>
    </message>
    <message id="lp_pupdate_btn_check">
        <source>Check for updates</source>
        <translation>Проверить обновления</translation>
    </message>
    <message id="lp_pupdate_btn_update">
        <source>Update firmware</source>
        <translation>Обновить прошивку</translation>
    </message>
    <message id="lp_pupdate_updating">
        <source>Writing the new firmware to the analyser.
Do not unplug it or close the program until the update is finished.</source>
        <translation>Новая прошивка записывается в анализатор.
Не отключайте его и не закрывайте программу, пока обновление не завершится.</translation>
    </message>
    <message id="lp_pupdate_new_update_title">
        <source>New firmware version is available</source>
        <translation>Доступна новая версия прошивки</translation>
    </message>
    <message id="lp_pupdate_new_update_text">
        <source>Firmware %2 is available; the analyser runs %1.
Would you like to update it now?</source>
        <translation>Доступна прошивка %2; в анализаторе установлена %1.
Обновить её сейчас?</translation>
    </message>
    <message id="lp_pupdate_no_update_title">
        <source>Firmware is up-to-date</source>
        <translation>Прошивка актуальна</translation>
    </message>
    <message id="lp_pupdate_no_update_text">
        <source>You have the latest firmware version installed.</source>
        <translation>У вас установлена последняя версия прошивки.</translation>
    </message>
    <message id="lp_pupdate_reboot_update_title">
        <source>Notification: firmware update</source>
        <translation>Уведомление: обновление прошивки</translation>
    </message>
    <message id="lp_pupdate_reboot_update_text">
        <source>For the update the analyser restarts in its update mode; then firmware %1 is downloaded and written to it. Do not unplug the analyser until the update is finished.
Click OK to start, or Cancel to keep the firmware it runs.</source>
        <translation>Для обновления анализатор перезапустится в режиме обновления, затем прошивка %1 будет загружена и записана в него. Не отключайте анализатор, пока обновление не завершится.
Нажмите «OK», чтобы начать, или «Отмена», чтобы оставить текущую прошивку.</translation>
    </message>
    <message id="lp_pupdate_reboot_app_title">
        <source>Firmware updated</source>
        <translation>Прошивка обновлена</translation>
    </message>
    <message id="lp_pupdate_reboot_app_text">
        <source>Updated to %1.</source>
        <translation>Обновлено до версии %1.</translation>
    </message>
    <message id="lp_pupdate_update_failed_title">
        <source>Firmware update failed</source>
        <translation>Не удалось обновить прошивку</translation>
    </message>
    <message id="lp_pupdate_no_server_title">
        <source>No update server</source>
        <translation>Нет сервера обновлений</translation>
    </message>
    <message id="lp_pupdate_no_server_text">
        <source>No update server is configured, so new firmware cannot be looked for or downloaded.</source>
        <translation>Сервер обновлений не задан, поэтому найти и загрузить новую прошивку невозможно.</translation>
    </message>
    <message id="lp_pupdate_check_failed_title">
        <source>Check for updates failed</source>
        <translation>Не удалось проверить обновления</translation>
    </message>
    <message id="lp_pupdate_check_failed_text">
        <source>The newest firmware version could not be obtained. %1</source>
        <translation>Не удалось узнать новейшую версию прошивки. %1</translation>
    </message>
    <message id="lp_pupdate_download_failed_text">
        <source>The firmware file could not be obtained. %1
Nothing was sent to the device; you can start the update again.</source>
        <translation>Не удалось получить файл прошивки. %1
На устройство ничего не отправлено; обновление можно запустить снова.</translation>
    </message>
    <message id="lp_pupdate_interrupted_text">
        <source>The firmware update was interrupted. The device is waiting in its bootloader and cannot measure until it gets new firmware.
Please, check the USB connection and connect the device again: the update will then be offered once more.</source>
        <translation>Обновление прошивки было прервано. Устройство ожидает в загрузчике и не сможет проводить измерения, пока не получит новую прошивку.
Пожалуйста, проверьте USB-подключение и подключите устройство снова: обновление будет предложено ещё раз.</translation>
    </message>
    <message id="lp_pupdate_bootloader_title">
        <source>The device is in its bootloader</source>
        <translation>Устройство в режиме загрузчика</translation>
    </message>
    <message id="lp_pupdate_bootloader_text">
        <source>The device is waiting in its bootloader for new firmware and cannot measure until it gets it. Would you like to update its firmware now?</source>
        <translation>Устройство ожидает в загрузчике новую прошивку и не сможет проводить измерения, пока не получит её. Обновить прошивку сейчас?</translation>
    </message>
    <message id="lp_pupdate_restarting">
        <source>The analyser restarts with its new firmware.
Do not unplug it.</source>
        <translation>Анализатор перезапускается с новой прошивкой.
Не отключайте его.</translation>
    </message>
    <message id="lp_pupdate_not_back_title">
        <source>The analyser did not come back</source>
        <translation>Анализатор не вернулся на связь</translation>
    </message>
    <message id="lp_pupdate_not_back_text">
        <source>The new firmware was written, but the analyser did not come back. Please, check the USB connection and connect it again.</source>
        <translation>Новая прошивка записана, но анализатор не вернулся на связь. Пожалуйста, проверьте USB-подключение и подключите его снова.</translation>
    </message>
    <message id="lp_pupdate_newest_unknown">
        <source>of the newest version</source>
        <translation>новейшей версии</translation>
    </message>
    <message id="lp_pupdate_reason_no_server">
        <source>No update server is configured.</source>
        <translation>Сервер обновлений не задан.</translation>
    </message>
    <message id="lp_pupdate_reason_unreachable">
        <source>The update server cannot be reached; please, check the network connection and try again later.</source>
        <translation>Сервер обновлений недоступен; пожалуйста, проверьте сетевое подключение и повторите попытку позже.</translation>
    </message>
    <message id="lp_pupdate_reason_no_file">
        <source>The update server has no firmware for this device.</source>
        <translation>На сервере обновлений нет прошивки для этого устройства.</translation>
    </message>
    <message id="lp_pupdate_reason_refused">
        <source>The update server refused the request or sent an answer that cannot be read.</source>
        <translation>Сервер обновлений отклонил запрос или прислал ответ, который невозможно прочитать.</translation>
    </message>
    <message id="lp_pmain_settings">
        <source>Settings</source>
        <translation>Настройки</translation>
    </message>
    <message id="lp_pmain_about">
        <source>About</source>
        <translation>О программе</translation>
    </message>
    <message id="lp_pfreq_center">
        <source>Center:</source>
        <translation>Центр:</translation>
    </message>
    <message id="lp_pfreq_span">
        <source>Span:</source>
        <translation>Полоса:</translation>
    </message>
    <message id="lp_pfreq_points">
        <source>Points:</source>
        <translation>Точки:</translation>
    </message>
    <message id="lp_pfreq_bw">
        <source>BW:</source>
        <translation>ПП:</translation>
    </message>
    <message id="lp_units_khz">
        <source>kHz</source>
        <translation>кГц</translation>
    </message>
    <message id="lp_pplots_type">
        <source>Type:</source>
        <translation>Тип:</translation>
    </message>
    <message id="lp_pplots_config">
        <source>Configuration:</source>
        <translation>Расположение:</translation>
    </message>
    <message id="lp_pplots_traces_title">
        <source>Traces</source>
        <translation>Трассы</translation>
    </message>
    <message id="lp_pplots_show_traces">
        <source> Show all</source>
        <translation> Показать все</translation>
    </message>
    <message id="lp_pplots_hide_traces">
        <source> Hide all</source>
        <translation> Скрыть все</translation>
    </message>
    <message id="lp_pgcharts_no_settings">
        <source>No settings available.</source>
        <translation>Нет доступных настроек.</translation>
    </message>
    <message id="lp_pgcharts_grid_step_title">
        <source>Grid step</source>
        <translation>Шаг сетки</translation>
    </message>
    <message id="lp_pgcharts_grid_step_value">
        <source>Value: </source>
        <translation>Значение: </translation>
    </message>
    <message id="lp_pgcharts_swr_title">
        <source>SWR limit line</source>
        <translation>Граница КСВ</translation>
    </message>
    <message id="lp_pgcharts_swr_value">
        <source>Value: </source>
        <translation>Значение: </translation>
    </message>
    <message id="lp_pgcharts_swr_enabled">
        <source>Enabled</source>
        <translation>Включена</translation>
    </message>
    <message id="lp_pgcharts_loss_type">
        <source>Type: </source>
        <translation>Тип: </translation>
    </message>
    <message id="lp_pgcharts_loss_length">
        <source>Value: </source>
        <translation>Длина: </translation>
    </message>
    <message id="lp_pgcharts_dtf_title">
        <source>Scale</source>
        <translation>Масштаб</translation>
    </message>
    <message id="lp_pgcharts_dtf_start">
        <source>Start: </source>
        <translation>Начало: </translation>
    </message>
    <message id="lp_pgcharts_dtf_stop">
        <source>Stop: </source>
        <translation>Конец: </translation>
    </message>
    <message id="lp_pgcharts_dtf_center">
        <source>Center: </source>
        <translation>Центр: </translation>
    </message>
    <message id="lp_pgcharts_dtf_span">
        <source>Span: </source>
        <translation>Ширина: </translation>
    </message>
    <message id="lp_pgcharts_dtf_domain">
        <source>Domain: </source>
        <translation>Область: </translation>
    </message>
    <message id="lp_pgcharts_dtf_vf">
        <source>VF: </source>
        <translation>КУ: </translation>
    </message>
    <message id="lp_chart_type_smith">
        <source>Smith</source>
        <translation>Смит</translation>
    </message>
    <message id="lp_chart_type_polar">
        <source>Polar</source>
        <translation>Полярная</translation>
    </message>
    <message id="lp_chart_type_phase">
        <source>Phase</source>
        <translation>Фаза</translation>
    </message>
    <message id="lp_chart_type_lin_mag">
        <source>Lin. mag.</source>
        <translation>Лин. амп.</translation>
    </message>
    <message id="lp_chart_type_log_mag">
        <source>Log. mag.</source>
        <translation>Лог. амп.</translation>
    </message>
    <message id="lp_chart_type_swr">
        <source>SWR</source>
        <translation>КСВ</translation>
    </message>
    <message id="lp_chart_type_dtf">
        <source>DTF</source>
        <translation>Расст. до повр.</translation>
    </message>
    <message id="lp_chart_type_loss">
        <source>Loss</source>
        <translation>Потери</translation>
    </message>
    <message id="lp_dtf_time">
        <source>Time</source>
        <translation>Время</translation>
    </message>
    <message id="lp_dtf_distance">
        <source>Distance</source>
        <translation>Расстояние</translation>
    </message>
    <message id="lp_units_dtf_time">
        <source>ns</source>
        <translation>нс</translation>
    </message>
    <message id="lp_units_dtf_distance">
        <source>m</source>
        <translation>м</translation>
    </message>
    <message id="lp_axis_title_frequency">
        <source>Frequency</source>
        <translation>Частота</translation>
    </message>
    <message id="lp_axis_title_angle">
        <source>Angle</source>
        <translation>Угол</translation>
    </message>
    <message id="lp_axis_title_voltage">
        <source>Voltage</source>
        <translation>Напр.</translation>
    </message>
    <message id="lp_axis_title_level">
        <source>Level</source>
        <translation>Уровень</translation>
    </message>
    <message id="lp_axis_title_swr">
        <source>SWR</source>
        <translation>КСВ</translation>
    </message>
    <message id="lp_units_mhz">
        <source>MHz</source>
        <translation>МГц</translation>
    </message>
    <message id="lp_units_loss_db">
        <source>dB</source>
        <translation>дБ</translation>
    </message>
    <message id="lp_units_loss_dbm">
        <source>dB/m</source>
        <translation>дБ/м</translation>
    </message>
    <message id="lp_units_db">
        <source>dB</source>
        <translation>дБ</translation>
    </message>
    <message id="lp_units_mv">
        <source>mV</source>
        <translation>мВ</translation>
    </message>
    <message id="lp_units_angle">
        <source>°</source>
        <translation>°</translation>
    </message>
    <message id="lp_units_ohm">
        <source>Ohm</source>
        <translation>Ом</translation>
    </message>
    <message id="lp_units_msiemens">
        <source>mS</source>
        <translation>мСм</translation>
    </message>
    <message id="lp_units_nanohenry">
        <source>nH</source>
        <translation>нГн</translation>
    </message>
    <message id="lp_units_picofarad">
        <source>pF</source>
        <translation>пФ</translation>
    </message>
    <message id="lp_mark_type_re_im">
        <source>Re[mV], Im[mV]</source>
        <translation>Re[мВ], Im[мВ]</translation>
    </message>
    <message id="lp_mark_type_mag">
        <source>Mag[mV], Phase[°]</source>
        <translation>Амп.[мВ], Фаза[°]</translation>
    </message>
    <message id="lp_mark_type_lmag">
        <source>Log. Mag[dB], Phase[°]</source>
        <translation>Лог. амп.[дБ], Фаза[°]</translation>
    </message>
    <message id="lp_mark_type_swr">
        <source>SWR</source>
        <translation>КСВ</translation>
    </message>
    <message id="lp_mark_type_imped">
        <source>Imp. R[Ohm], X[Ohm]
L[nH] / C[pF]</source>
        <translation>Имп. R[Ом], X[Ом]
L[нГн] / C[пФ]</translation>
    </message>
    <message id="lp_mark_type_admit">
        <source>Adm. G[mS], B[mS]
L[nH] / C[pF]</source>
        <translation>Пров. G, B[мСм]
L[нГн] / C[пФ]</translation>
    </message>
    <message id="lp_mark_type_loss">
        <source>Loss (trace)</source>
        <translation>Потери (трасса)</translation>
    </message>
    <message id="lp_mark_type_dtf_point">
        <source>DTF Point</source>
        <translation>Точка (расст.)</translation>
    </message>
    <message id="lp_mark_type_dtf_peak">
        <source>DTF Peak</source>
        <translation>Пик (расст.)</translation>
    </message>
    <message id="lp_mark_type_trace">
        <source>Auto</source>
        <translation>Авто</translation>
    </message>
    <message id="lp_mark_type_min_value">
        <source>Min.</source>
        <translation>Мин.</translation>
    </message>
    <message id="lp_mark_type_max_value">
        <source>Max.</source>
        <translation>Макс.</translation>
    </message>
    <message id="lp_mark_no_data">
        <source>No data.</source>
        <translation>Нет данных.</translation>
    </message>
    <message id="lp_complex_real">
        <source>Re:</source>
        <translation>Re:</translation>
    </message>
    <message id="lp_complex_imag">
        <source>Im:</source>
        <translation>Im:</translation>
    </message>
    <message id="lp_mark_mag">
        <source>Mg:</source>
        <translation>Амп:</translation>
    </message>
    <message id="lp_mark_ph">
        <source>Ph:</source>
        <translation>Фаза:</translation>
    </message>
    <message id="lp_mark_lmag">
        <source>LMg:</source>
        <translation>ЛАмп:</translation>
    </message>
    <message id="lp_mark_swr">
        <source>SWR:</source>
        <translation>КСВ:</translation>
    </message>
    <message id="lp_mark_inf">
        <source>Inf.</source>
        <translation>Беск.</translation>
    </message>
    <message id="lp_mark_loss">
        <source>Loss:</source>
        <translation>Потери:</translation>
    </message>
    <message id="lp_mark_amp">
        <source>Amplitude:</source>
        <translation>Амплитуда:</translation>
    </message>
    <message id="lp_pfreq_start">
        <source>Start:</source>
        <translation>Начало:</translation>
    </message>
    <message id="lp_pfreq_stop">
        <source>Stop:</source>
        <translation>Конец:</translation>
    </message>
    <message id="lp_chart_info_points">
        <source>Points:</source>
        <translation>Точки:</translation>
    </message>
    <message id="lp_err_chart_type_bad">
        <source>chart type must be set</source>
        <translation>тип графика должен быть задан</translation>
    </message>
    <message id="lp_err_remote_cant_listen">
        <source>remote control cannot listen on port: </source>
        <translation>удалённое управление не может принимать подключения на порту: </translation>
    </message>
    <message id="lp_psettings_remote_title">
        <source>Remote control</source>
        <translation>Удалённое управление</translation>
    </message>
    <message id="lp_psettings_remote_enabled">
        <source>Enabled</source>
        <translation>Включено</translation>
    </message>
    <message id="lp_psettings_remote_port">
        <source>Port:</source>
        <translation>Порт:</translation>
    </message>
    <message id="lp_err_chart_image_format">
        <source>unsupported image format, use .png or .svg: </source>
        <translation>неподдерживаемый формат изображения, используйте .png или .svg: </translation>
    </message>
    <message id="lp_err_chart_image_cant_write">
        <source>failed to write the chart image to: </source>
        <translation>не удалось записать изображение графика в: </translation>
    </message>
    <message id="lp_report_default_title">
        <source>Measurement report</source>
        <translation>Отчёт об измерении</translation>
    </message>
    <message id="lp_report_date">
        <source>Date</source>
        <translation>Дата</translation>
    </message>
    <message id="lp_report_program">
        <source>Program</source>
        <translation>Программа</translation>
    </message>
    <message id="lp_report_analyser">
        <source>Analyser</source>
        <translation>Анализатор</translation>
    </message>
    <message id="lp_report_firmware">
        <source>Firmware</source>
        <translation>Прошивка</translation>
    </message>
    <message id="lp_report_no_analyser">
        <source>no analyser connected</source>
        <translation>анализатор не подключён</translation>
    </message>
    <message id="lp_report_sweep">
        <source>Sweep</source>
        <translation>Развёртка</translation>
    </message>
    <message id="lp_report_start">
        <source>Start</source>
        <translation>Начало</translation>
    </message>
    <message id="lp_report_stop">
        <source>Stop</source>
        <translation>Конец</translation>
    </message>
    <message id="lp_report_points">
        <source>Points</source>
        <translation>Точек</translation>
    </message>
    <message id="lp_report_bandwidth">
        <source>Bandwidth</source>
        <translation>Полоса</translation>
    </message>
    <message id="lp_report_no_sweep">
        <source>nothing measured</source>
        <translation>измерений нет</translation>
    </message>
    <message id="lp_report_calibration">
        <source>Calibration</source>
        <translation>Калибровка</translation>
    </message>
    <message id="lp_report_calibration_none">
        <source>none (raw data)</source>
        <translation>нет (сырые данные)</translation>
    </message>
    <message id="lp_report_calibration_factory">
        <source>factory calibration</source>
        <translation>заводская калибровка</translation>
    </message>
    <message id="lp_report_calibration_user">
        <source>user calibration %1 of %2</source>
        <translation>пользовательская калибровка %1 от %2</translation>
    </message>
    <message id="lp_report_calibration_grid">
        <source>%1 to %2, %3 points</source>
        <translation>от %1 до %2, %3 точек</translation>
    </message>
    <message id="lp_report_el_delay">
        <source>Electrical delay</source>
        <translation>Электрическая задержка</translation>
    </message>
    <message id="lp_report_views">
        <source>Charts</source>
        <translation>Графики</translation>
    </message>
    <message id="lp_report_no_views">
        <source>No chart is shown.</source>
        <translation>Графики не показаны.</translation>
    </message>
    <message id="lp_report_view_caption">
        <source>View %1: %2</source>
        <translation>Окно %1: %2</translation>
    </message>
    <message id="lp_report_markers">
        <source>Markers</source>
        <translation>Маркеры</translation>
    </message>
    <message id="lp_report_no_markers">
        <source>No markers are set.</source>
        <translation>Маркеры не установлены.</translation>
    </message>
    <message id="lp_report_col_view">
        <source>View</source>
        <translation>Окно</translation>
    </message>
    <message id="lp_report_col_marker">
        <source>Marker</source>
        <translation>Маркер</translation>
    </message>
    <message id="lp_report_col_position">
        <source>Frequency / position</source>
        <translation>Частота / положение</translation>
    </message>
    <message id="lp_report_col_readout">
        <source>Readout</source>
        <translation>Показания</translation>
    </message>
    <message id="lp_report_note">
        <source>Note</source>
        <translation>Примечание</translation>
    </message>
    <message id="lp_report_page">
        <source>Page %1 of %2</source>
        <translation>Страница %1 из %2</translation>
    </message>
    <message id="lp_report_dialog_title">
        <source>Measurement report</source>
        <translation>Отчёт об измерении</translation>
    </message>
    <message id="lp_report_dialog_heading">
        <source>Title (optional):</source>
        <translation>Заголовок (необязательно):</translation>
    </message>
    <message id="lp_report_dialog_note">
        <source>Note (optional):</source>
        <translation>Примечание (необязательно):</translation>
    </message>
    <message id="lp_report_dialog_next">
        <source>Choose file…</source>
        <translation>Выбрать файл…</translation>
    </message>
    <message id="lp_report_dialog_cancel">
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message id="lp_report_btn">
        <source> Report</source>
        <translation> Отчёт</translation>
    </message>
    <message id="lp_report_save_title">
        <source>Save the report</source>
        <translation>Сохранить отчёт</translation>
    </message>
    <message id="lp_report_filters">
        <source>PDF report (*.pdf)</source>
        <translation>Отчёт PDF (*.pdf)</translation>
    </message>
    <message id="lp_report_cant_write">
        <source>failed to write the report: </source>
        <translation>не удалось записать отчёт: </translation>
    </message>
    <message id="lp_pgtrace_touchstone_options">
        <source>Touchstone:</source>
        <translation>Touchstone:</translation>
    </message>
    <message id="lp_pgtrace_touchstone_tooltip">
        <source>Data format and frequency unit of saved .s1p files</source>
        <translation>Формат данных и единица частоты сохраняемых файлов .s1p</translation>
    </message>
    <message id="lp_pgtrace_save_file_filters">
        <source>All files (*);;Trace data (*.tbin);;Text file (*.dat);;Touchstone (*.s1p);;CSV table (*.csv)</source>
        <translation>Все файлы (*);;Данные трассы (*.tbin);;Текстовый файл (*.dat);;Touchstone (*.s1p);;Таблица CSV (*.csv)</translation>
    </message>
    <message id="lp_pmarkers_btn_export_csv">
        <source> Export CSV</source>
        <translation> Экспорт в CSV</translation>
    </message>
    <message id="lp_pmarkers_export_title">
        <source>Export the markers</source>
        <translation>Экспорт маркеров</translation>
    </message>
    <message id="lp_pmarkers_export_filters">
        <source>CSV table (*.csv)</source>
        <translation>Таблица CSV (*.csv)</translation>
    </message>
    <message id="lp_pmarkers_cant_export">
        <source>failed to write the marker table: </source>
        <translation>не удалось записать таблицу маркеров: </translation>
    </message>
    <message id="lp_report_data">
        <source>Data</source>
        <translation>Данные</translation>
    </message>
    <message id="lp_units_hz">
        <source>Hz</source>
        <translation>Гц</translation>
    </message>
    <message id="lp_cal_source_grid">
        <source>%1–%2 MHz, %3 pts</source>
        <translation>%1–%2 МГц, %3 точ.</translation>
    </message>
    <message id="lp_cal_source_factory">
        <source>Cal: factory</source>
        <translation>Калибр.: заводская</translation>
    </message>
    <message id="lp_cal_source_slot">
        <source>Cal: analyser slot %1, %2</source>
        <translation>Калибр.: ячейка анализатора %1, %2</translation>
    </message>
    <message id="lp_cal_source_user">
        <source>Cal: user %1, %2</source>
        <translation>Калибр.: польз. %1, %2</translation>
    </message>
    <message id="lp_cal_source_none">
        <source>Cal: none (uncorrected)</source>
        <translation>Калибр.: нет (без коррекции)</translation>
    </message>
    <message id="lp_mark_freq">
        <source>F:</source>
        <translation>F:</translation>
    </message>
    <message id="lp_mark_out_of_range">
        <source>out of range</source>
        <translation>вне диапазона</translation>
    </message>
    <message id="lp_mark_delta_offset">
        <source>Offset:</source>
        <translation>Смещение:</translation>
    </message>
    <message id="lp_mark_not_live">
        <source>(not live: last sweep)</source>
        <translation>(не в реальном времени: последний проход)</translation>
    </message>
    <message id="lp_view_disconnected">
        <source>Analyser disconnected: last sweep %1</source>
        <translation>Анализатор отключён: последний проход %1</translation>
    </message>
    <message id="lp_view_not_connected">
        <source>No analyser connected</source>
        <translation>Анализатор не подключён</translation>
    </message>
    <message id="lp_entry_refused_negative">
        <source>"%1" refused: a frequency cannot be negative</source>
        <translation>«%1» не принято: частота не может быть отрицательной</translation>
    </message>
    <message id="lp_entry_clamped">
        <source>%1 is outside %3 … %4: took %2</source>
        <translation>%1 вне диапазона %3 … %4: принято %2</translation>
    </message>
    <message id="lp_pfreq_refused_zero_span">
        <source>Refused: the sweep would have zero span</source>
        <translation>Не принято: полоса обзора стала бы нулевой</translation>
    </message>
    <message id="lp_pfreq_took">
        <source>%1 took %2 MHz instead of %3 MHz (analyser range %4–%5 MHz)</source>
        <translation>%1 принято %2 МГц вместо %3 МГц (диапазон анализатора %4–%5 МГц)</translation>
    </message>
    <message id="lp_pfreq_moved">
        <source>%1 %2 MHz: %3 moved to %4 MHz to keep the sweep valid</source>
        <translation>%1 %2 МГц: %3 перенесено на %4 МГц, чтобы обзор оставался допустимым</translation>
    </message>
    <message id="lp_pdtf_took">
        <source>Took %1 instead of %2: limited by the sweep's distance and time range</source>
        <translation>Принято %1 вместо %2: ограничено диапазоном расстояния и времени обзора</translation>
    </message>
    <message id="lp_pcalib_state_measuring">
        <source>measuring…</source>
        <translation>измеряется…</translation>
    </message>
    <message id="lp_pcalib_state_not_measured">
        <source>not measured</source>
        <translation>не измерено</translation>
    </message>
    <message id="lp_pcalib_state_measured_at">
        <source>measured %1</source>
        <translation>измерено %1</translation>
    </message>
    <message id="lp_pcalib_state_measured">
        <source>measured</source>
        <translation>измерено</translation>
    </message>
    <message id="lp_pcalib_active">
        <source>In use: %1</source>
        <translation>Используется: %1</translation>
    </message>
    <message id="lp_pcalib_active_file">
        <source>File: %1</source>
        <translation>Файл: %1</translation>
    </message>
    <message id="lp_view_calibration_for">
        <source>Analyser %1 connected. %2</source>
        <translation>Анализатор %1 подключён. %2</translation>
    </message>
    <message id="lp_cal_lines_slot">
        <source>Cal: slot %1</source>
        <translation>Калибр.: ячейка %1</translation>
    </message>
    <message id="lp_cal_lines_user">
        <source>Cal: user %1</source>
        <translation>Калибр.: польз. %1</translation>
    </message>
    <message id="lp_cal_lines_none">
        <source>Cal: none</source>
        <translation>Калибр.: нет</translation>
    </message>
    <message id="lp_port_err_permission">
        <source>Cannot open %1: permission denied. Your user is not in the group that owns serial devices. Run  sudo usermod -aG dialout $USER  and then log out and in again.</source>
        <translation>Не удаётся открыть %1: доступ запрещён. Ваш пользователь не входит в группу, которой принадлежат последовательные порты. Выполните  sudo usermod -aG dialout $USER  и затем выйдите из системы и войдите снова.</translation>
    </message>
    <message id="lp_port_err_busy">
        <source>Cannot open %1: the port is busy. Another program has it open, or the modem manager is probing the freshly plugged analyser: wait a few seconds and try again. The udev rule 60-tolvekvna.rules keeps the modem manager away (the package installs it; from a source checkout copy packaging/60-tolvekvna.rules to /etc/udev/rules.d/).</source>
        <translation>Не удаётся открыть %1: порт занят. Его держит другая программа или менеджер модемов проверяет только что подключённый анализатор: подождите несколько секунд и повторите. Правило udev 60-tolvekvna.rules не подпускает менеджер модемов к анализатору (пакет устанавливает его сам; при сборке из исходников скопируйте packaging/60-tolvekvna.rules в /etc/udev/rules.d/).</translation>
    </message>
    <message id="lp_port_err_missing">
        <source>Cannot open %1: the port is gone. Check the cable, wait until the analyser is listed again and pick it.</source>
        <translation>Не удаётся открыть %1: порт исчез. Проверьте кабель, дождитесь, пока анализатор снова появится в списке, и выберите его.</translation>
    </message>
    <message id="lp_port_err_other">
        <source>Cannot open %1: %2</source>
        <translation>Не удаётся открыть %1: %2</translation>
    </message>
    <message id="lp_devcon_no_analyser">
        <source>No analyser listed. Plug it in and wait a few seconds until its port appears; only ports whose manufacturer names the analyser's USB interface are listed. Without an analyser, start the emulator (vna-emulator).</source>
        <translation>Анализатор не найден. Подключите его и подождите несколько секунд, пока появится его порт; в списке только порты, производитель которых указывает на USB-интерфейс анализатора. Без анализатора запустите эмулятор (vna-emulator).</translation>
    </message>
    <message id="lp_err_data_dir_unusable">
        <source>The data folder %1 cannot be used. Logs, settings, calibrations and traces of this session are not kept. Choose another folder with --data-dir or TOLVEKVNA_DATA_DIR.</source>
        <translation>Папку данных %1 использовать нельзя. Журналы, настройки, калибровки и трассы этого сеанса не сохраняются. Выберите другую папку параметром --data-dir или переменной TOLVEKVNA_DATA_DIR.</translation>
    </message>
    <message id="lp_err_settings_cant_write">
        <source>settings could not be written, the previous file is kept: </source>
        <translation>не удалось записать настройки, прежний файл сохранён: </translation>
    </message>
    <message id="lp_pabout_data_dir_title">
        <source>Data folder: </source>
        <translation>Папка данных: </translation>
    </message>
    <message id="lp_notice_repeated">
        <source>%1 (%2 times)</source>
        <translation>%1 (повторов: %2)</translation>
    </message>
    <message id="lp_notice_critical_title">
        <source>Error</source>
        <translation>Ошибка</translation>
    </message>
    <message id="lp_notice_fatal_title">
        <source>Fatal error</source>
        <translation>Неустранимая ошибка</translation>
    </message>
    <message id="lp_notice_waiting">
        <source>%1 more</source>
        <translation>ещё %1</translation>
    </message>
    <message id="lp_notice_dismiss">
        <source>OK</source>
        <translation>ОК</translation>
    </message>
    <message id="lp_err_calib_too_many_points">
        <source>a calibration holds at most 1000 points; reduce the number of points to calibrate. The sweep has: </source>
        <translation>калибровка вмещает не более 1000 точек; уменьшите число точек для калибровки. Точек в развёртке: </translation>
    </message>
    <message id="lp_pabout_qt_text">
        <source>&lt;h3&gt;About Qt&lt;/h3&gt;&lt;p&gt;This program uses Qt version %1.&lt;/p&gt;&lt;p&gt;Qt is a C++ toolkit for cross-platform application development, available under the GNU Lesser General Public License version 3 and the GNU General Public License version 3.&lt;/p&gt;</source>
        <translation>&lt;h3&gt;О Qt&lt;/h3&gt;&lt;p&gt;Эта программа использует Qt версии %1.&lt;/p&gt;&lt;p&gt;Qt — набор инструментов C++ для разработки кроссплатформенных приложений, распространяемый по лицензиям GNU LGPL версии 3 и GNU GPL версии 3.&lt;/p&gt;</translation>
    </message>
    <message id="lp_image_calib_none">
        <source>no calibration</source>
        <translation>без калибровки</translation>
    </message>
    <message id="lp_image_calib_file">
        <source>calibration: %1</source>
        <translation>калибровка: %1</translation>
    </message>
    <message id="lp_image_calib_device">
        <source>calibration: the analyser's own</source>
        <translation>калибровка: из анализатора</translation>
    </message>
    <message id="lp_image_sweep">
        <source>%1 to %2, %3 points</source>
        <translation>от %1 до %2, точек: %3</translation>
    </message>
    <message id="lp_image_no_device">
        <source>no analyser</source>
        <translation>анализатор не подключён</translation>
    </message>
    <message id="lp_err_chart_image_size">
        <source>the image size must be %1 to %2 pixels a side</source>
        <translation>размер изображения — от %1 до %2 пикселей по каждой стороне</translation>
    </message>
    <message id="lp_chart_info_average">
        <source>avg %1</source>
        <translation>сред. %1</translation>
    </message>
    <message id="lp_kit_editor_title">
        <source>Calibration kit</source>
        <translation>Калибровочный набор</translation>
    </message>
    <message id="lp_kit_name">
        <source>Name:</source>
        <translation>Имя:</translation>
    </message>
    <message id="lp_kit_save">
        <source>Save</source>
        <translation>Сохранить</translation>
    </message>
    <message id="lp_kit_close">
        <source>Close</source>
        <translation>Закрыть</translation>
    </message>
    <message id="lp_kit_bad_name">
        <source>'%1' cannot be a kit name: use letters, digits, '-', '_' or '.', not 'Ideal'</source>
        <translation>«%1» не годится как имя набора: допустимы буквы, цифры, «-», «_» и «.», но не «Ideal»</translation>
    </message>
    <message id="lp_kit_bad_value">
        <source>%1 is not a number: %2</source>
        <translation>%1 — не число: %2</translation>
    </message>
    <message id="lp_kit_refused">
        <source>kit refused: </source>
        <translation>набор отклонён: </translation>
    </message>
    <message id="lp_kit_c0">
        <source>C0</source>
        <translation>C0</translation>
    </message>
    <message id="lp_kit_c1">
        <source>C1</source>
        <translation>C1</translation>
    </message>
    <message id="lp_kit_c2">
        <source>C2</source>
        <translation>C2</translation>
    </message>
    <message id="lp_kit_c3">
        <source>C3</source>
        <translation>C3</translation>
    </message>
    <message id="lp_kit_l0">
        <source>L0</source>
        <translation>L0</translation>
    </message>
    <message id="lp_kit_l1">
        <source>L1</source>
        <translation>L1</translation>
    </message>
    <message id="lp_kit_l2">
        <source>L2</source>
        <translation>L2</translation>
    </message>
    <message id="lp_kit_l3">
        <source>L3</source>
        <translation>L3</translation>
    </message>
    <message id="lp_kit_delay">
        <source>Delay</source>
        <translation>Задержка</translation>
    </message>
    <message id="lp_kit_loss">
        <source>Loss</source>
        <translation>Потери</translation>
    </message>
    <message id="lp_kit_z0">
        <source>Z0</source>
        <translation>Z0</translation>
    </message>
    <message id="lp_kit_r">
        <source>R</source>
        <translation>R</translation>
    </message>
    <message id="lp_kit_l">
        <source>L</source>
        <translation>L</translation>
    </message>
    <message id="lp_kit_c">
        <source>C</source>
        <translation>C</translation>
    </message>
    <message id="lp_units_femtofarad">
        <source>fF</source>
        <translation>фФ</translation>
    </message>
    <message id="lp_units_picohenry">
        <source>pH</source>
        <translation>пГн</translation>
    </message>
    <message id="lp_units_gohm_per_sec">
        <source>GOhm/s</source>
        <translation>ГОм/с</translation>
    </message>
    <message id="lp_units_kit_c1">
        <source>× 1e-27 F/Hz</source>
        <translation>× 1e-27 Ф/Гц</translation>
    </message>
    <message id="lp_units_kit_c2">
        <source>× 1e-36 F/Hz²</source>
        <translation>× 1e-36 Ф/Гц²</translation>
    </message>
    <message id="lp_units_kit_c3">
        <source>× 1e-45 F/Hz³</source>
        <translation>× 1e-45 Ф/Гц³</translation>
    </message>
    <message id="lp_units_kit_l1">
        <source>× 1e-24 H/Hz</source>
        <translation>× 1e-24 Гн/Гц</translation>
    </message>
    <message id="lp_units_kit_l2">
        <source>× 1e-33 H/Hz²</source>
        <translation>× 1e-33 Гн/Гц²</translation>
    </message>
    <message id="lp_units_kit_l3">
        <source>× 1e-42 H/Hz³</source>
        <translation>× 1e-42 Гн/Гц³</translation>
    </message>
    <message id="lp_pcalib_kit_title">
        <source>Calibration kit and averaging</source>
        <translation>Калибровочный набор и усреднение</translation>
    </message>
    <message id="lp_pcalib_kit">
        <source>Kit:</source>
        <translation>Набор:</translation>
    </message>
    <message id="lp_pcalib_kit_ideal">
        <source>Ideal</source>
        <translation>Идеальный</translation>
    </message>
    <message id="lp_pcalib_btn_kit_edit">
        <source>Edit…</source>
        <translation>Изменить…</translation>
    </message>
    <message id="lp_pcalib_average">
        <source>Sweeps per standard:</source>
        <translation>Проходов на меру:</translation>
    </message>
    <message id="lp_pcalib_live_average">
        <source>Live trace average:</source>
        <translation>Усреднение кривой:</translation>
    </message>
    <message id="lp_pcalib_live_average_off">
        <source>Off</source>
        <translation>Выкл.</translation>
    </message>
    <message id="lp_pcalib_kit_refused">
        <source>kit not taken: </source>
        <translation>набор не принят: </translation>
    </message>
    <message id="lp_pcalib_kit_fallback">
        <source>back to the ideal kit: </source>
        <translation>возврат к идеальному набору: </translation>
    </message>
    <message id="lp_pcalib_captured_sweeps">
        <source>sweep %1 of %2 taken</source>
        <translation>снят проход %1 из %2</translation>
    </message>
    <message id="lp_pcalib_kit_in_use">
        <source>Calibration in use: %1</source>
        <translation>Текущая калибровка: %1</translation>
    </message>
    <message id="lp_pcalib_kit_in_use_none">
        <source>none</source>
        <translation>нет</translation>
    </message>
    <message id="lp_pcalib_kit_in_use_factory">
        <source>factory</source>
        <translation>заводская</translation>
    </message>
    <message id="lp_pcalib_kit_in_use_unrecorded">
        <source>kit not recorded</source>
        <translation>набор не записан</translation>
    </message>
    <message id="lp_report_calibration_kit">
        <source>kit %1</source>
        <translation>набор %1</translation>
    </message>
    <message id="lp_report_average">
        <source>Averaging</source>
        <translation>Усреднение</translation>
    </message>
    <message id="lp_report_average_sweeps">
        <source>running average of %1 sweeps</source>
        <translation>скользящее среднее по %1 развёрткам</translation>
    </message>
</context>
</TS>
