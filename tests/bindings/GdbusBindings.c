/* The interface data gdbus-codegen generated from the interface files holds what the files say:
 * every method with its arguments, every property, and each element's automation type. */
#include "pcquiba-gdbus.h"

#include <gio/gio.h>
#include <stdio.h>
#include <string.h>

typedef GDBusInterfaceInfo *(*InfoFunction)(void);

static const struct {
    const char *name;
    InfoFunction info;
} kInterfaces[] = {
    {"org.pcquiba.pcQUIBA", pcquiba_pc_quiba_interface_info},
    {"org.pcquiba.API", pcquiba_api_interface_info},
    {"org.pcquiba.Basket", pcquiba_basket_interface_info},
    {"org.pcquiba.BasketItem", pcquiba_basket_item_interface_info},
    {"org.pcquiba.Vouchers", pcquiba_vouchers_interface_info},
    {"org.pcquiba.Voucher", pcquiba_voucher_interface_info},
    {"org.pcquiba.UserInterface", pcquiba_user_interface_interface_info},
    {"org.pcquiba.Settings", pcquiba_settings_interface_info},
    {"org.pcquiba.Eftpos", pcquiba_eftpos_interface_info},
    {"org.pcquiba.Journal", pcquiba_journal_interface_info},
    {"org.pcquiba.quibaErrors", pcquiba_quiba_errors_interface_info},
    {"org.pcquiba.SurrenderReason", pcquiba_surrender_reason_interface_info},
    {"org.pcquiba.APIEvents", pcquiba_apievents_interface_info},
};

static int failures = 0;

static void fail(const char *interface, const char *element, const char *what)
{
    fprintf(stderr, "FAILED: %s %s: %s\n", interface, element, what);
    ++failures;
}

static guint count(void **items)
{
    guint n = 0;
    while (items && items[n])
        ++n;
    return n;
}

static const char *typeOf(GDBusAnnotationInfo **annotations)
{
    return g_dbus_annotation_info_lookup(annotations, "org.pcquiba.AutomationType");
}

static void compareArgs(const char *interface, const char *method, GDBusArgInfo **written, GDBusArgInfo **generated)
{
    if (count((void **)written) != count((void **)generated)) {
        fail(interface, method, "argument count");
        return;
    }
    for (guint i = 0; written && written[i]; ++i) {
        if (strcmp(written[i]->signature, generated[i]->signature) != 0 || g_strcmp0(typeOf(written[i]->annotations),
                                                                                     typeOf(generated[i]->annotations)) != 0)
            fail(interface, method, written[i]->name);
    }
}

static void compare(const char *name, GDBusInterfaceInfo *written, GDBusInterfaceInfo *generated)
{
    if (strcmp(written->name, generated->name) != 0)
        fail(name, "", "interface name");
    if (count((void **)written->methods) != count((void **)generated->methods))
        fail(name, "", "method count");
    if (count((void **)written->properties) != count((void **)generated->properties))
        fail(name, "", "property count");
    if (count((void **)written->annotations) != count((void **)generated->annotations))
        fail(name, "", "annotation count");
    for (guint i = 0; written->methods && written->methods[i]; ++i) {
        GDBusMethodInfo *method = written->methods[i];
        GDBusMethodInfo *made = g_dbus_interface_info_lookup_method(generated, method->name);
        if (!made) {
            fail(name, method->name, "missing");
            continue;
        }
        compareArgs(name, method->name, method->in_args, made->in_args);
        compareArgs(name, method->name, method->out_args, made->out_args);
        if (g_strcmp0(typeOf(method->annotations), typeOf(made->annotations)) != 0)
            fail(name, method->name, "automation type");
    }
    for (guint i = 0; written->properties && written->properties[i]; ++i) {
        GDBusPropertyInfo *property = written->properties[i];
        GDBusPropertyInfo *made = g_dbus_interface_info_lookup_property(generated, property->name);
        if (!made || made->flags != property->flags || g_strcmp0(typeOf(property->annotations), typeOf(made->annotations)) != 0)
            fail(name, property->name, "property");
    }
}

int main(void)
{
    for (gsize i = 0; i < G_N_ELEMENTS(kInterfaces); ++i) {
        char *path = g_strdup_printf("%s/%s.xml", PCQUIBA_INTERFACES_DIR, kInterfaces[i].name);
        char *text = NULL;
        GError *error = NULL;
        GDBusNodeInfo *node = NULL;
        if (!g_file_get_contents(path, &text, NULL, &error) || !(node = g_dbus_node_info_new_for_xml(text, &error))) {
            fail(kInterfaces[i].name, path, error ? error->message : "unreadable");
        } else {
            GDBusInterfaceInfo *written = g_dbus_node_info_lookup_interface(node, kInterfaces[i].name);
            if (!written)
                fail(kInterfaces[i].name, path, "no such interface in the file");
            else
                compare(kInterfaces[i].name, written, kInterfaces[i].info());
            g_dbus_node_info_unref(node);
        }
        g_clear_error(&error);
        g_free(text);
        g_free(path);
    }
    printf("%zu interfaces: %d failures\n", G_N_ELEMENTS(kInterfaces), failures);
    return failures == 0 ? 0 : 1;
}
